#pragma once

#include "picture/FileStamp.h"

#include <QDialog>
#include <QImage>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// The companion window that shows the newest picture, smoothly stretched over
// a client area of exactly displayWidth x displayHeight pixels. The file is
// the store of the picture: every paint looks whether it changed and reads it
// anew if so, and the focus has it read anew in any case. A new picture comes
// with its bytes, which stand for what the file holds until it changes, so
// that the file is not read back for it. It has a title bar but no buttons on
// it and cannot be sized.
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

    // Redraws with the file read anew, whether it seems changed or not.
    void Reload();

    // Shows the picture that file holds now, whose file bytes (a JPEG or a
    // BMP file) are given: they are decoded at the next paint instead of the
    // file, unless the file has changed by then.
    void ShowPicture(const QString& file, std::shared_ptr<const std::vector<std::uint8_t>> bytes);

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The picture as last read, and what its file looked like just before.
    QImage picture;
    QString pictureRead;
    std::optional<FileStamp> pictureStamp;
    // A picture handed over and not drawn yet, and its file's stamp then.
    std::shared_ptr<const std::vector<std::uint8_t>> given;
    std::optional<FileStamp> givenStamp;
};
