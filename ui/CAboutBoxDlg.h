#pragma once

#include "DialogUnits.h"

#include <QDialog>

class QLabel;
class QPushButton;

// The about box: the version line, the program's picture, a line under it and
// OK. Made anew for every opening, it reads its texts from the language file
// each time, so an edited file shows at the next opening.
class CAboutBoxDlg : public QDialog {
    Q_OBJECT

public:
    // Size of the client area in dialog units, and the controls' identifiers.
    static constexpr int kWidthUnits = 179;
    static constexpr int kHeightUnits = 109;
    static constexpr int kVersionId = 1070;
    static constexpr int kCopyrightId = 1071;
    static constexpr int kOkId = 1;
    // The picture, embedded in the program.
    static constexpr const char* kPictureResource = ":/zelnor2/about-camera.bmp";

    explicit CAboutBoxDlg(QWidget* owner = nullptr);

    // Sets the caption, the two lines and the button from the language file.
    void Initialise();
    // Initialises, then runs the box modally; OK, Escape and the close box
    // end it.
    int exec() override;

private:
    DialogUnits units;
    QLabel* versionLine = nullptr;
    QLabel* picture = nullptr;
    QLabel* copyrightLine = nullptr;
    QPushButton* ok = nullptr;
};

// A static text's ampersands as the operator sees them: "&&" shows one, a
// single one only marks the next character and does not show.
QString WithoutMnemonicMarks(const QString& text);
