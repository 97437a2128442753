#pragma once

#include <QDialog>
#include <QString>

// The companion window that shows the newest picture: it keeps only the name
// of the file and reads the file anew every time it paints, stretching the
// picture over a client area of exactly displayWidth x displayHeight pixels.
// It has a title bar but no buttons on it and cannot be sized.
class CPictureDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kDisplayWidth = 640;
    static constexpr int kDisplayHeight = 480;

    explicit CPictureDlg(QWidget* owner = nullptr);

    QString pictureFile;
    int displayWidth = kDisplayWidth;
    int displayHeight = kDisplayHeight;

    // Sets the caption from the language file.
    void Initialise();

    // Brings the client area to displayWidth x displayHeight, keeping the
    // frame's top-left corner where it is.
    void FitClientArea();

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};
