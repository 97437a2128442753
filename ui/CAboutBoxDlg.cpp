#include "CAboutBoxDlg.h"

#include "LanguageString.h"
#include "MainDialogTemplate.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace {

QLabel* AddCentredText(QDialog* dialog, int id, const QRect& place) {
    auto* label = new QLabel(dialog);
    label->setObjectName(ControlObjectName(id));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setGeometry(place);
    return label;
}

// The picture keeps its own size, as a static picture does; it stands centred
// on its place in the template, so that it stays in the middle of the box
// whatever the font makes of the dialog units.
QLabel* AddPicture(QDialog* dialog, const QRect& place) {
    auto* label = new QLabel(dialog);
    label->setObjectName("picture");
    const QPixmap pixmap(CAboutBoxDlg::kPictureResource);
    label->setPixmap(pixmap);
    label->setAlignment(Qt::AlignCenter);
    QRect area = place;
    area.setSize(area.size().expandedTo(pixmap.size()));
    area.moveCenter(place.center());
    label->setGeometry(area);
    return label;
}

} // namespace

CAboutBoxDlg::CAboutBoxDlg(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      units(font()) {
    setWindowTitle("About");
    setFixedSize(units.ToPixelsX(kWidthUnits), units.ToPixelsY(kHeightUnits));

    versionLine = AddCentredText(this, kVersionId, units.ToPixels(7, 10, 165, 8));
    versionLine->setText("Version");
    picture = AddPicture(this, units.ToPixels(57, 19, 64, 47));
    copyrightLine = AddCentredText(this, kCopyrightId, units.ToPixels(7, 67, 165, 8));
    copyrightLine->setText("Copyright");

    ok = new QPushButton("OK", this);
    ok->setObjectName(ControlObjectName(kOkId));
    ok->setGeometry(units.ToPixels(65, 81, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void CAboutBoxDlg::Initialise() {
    setWindowTitle(LanguageString("ABOUT_CAPTION"));
    ok->setText(LanguageString("ABOUT_IDOK"));
    // The version line shows its ampersands as they are; the line under the
    // picture treats them as mnemonic marks.
    versionLine->setText(LanguageString("ABOUT_IDC_VERSION"));
    copyrightLine->setText(WithoutMnemonicMarks(LanguageString("ABOUT_IDC_COPYRIGHT")));
    ok->setFocus();
}

int CAboutBoxDlg::exec() {
    Initialise();
    return QDialog::exec();
}

QString WithoutMnemonicMarks(const QString& text) {
    QString shown;
    shown.reserve(text.size());
    for (qsizetype at = 0; at < text.size(); ++at) {
        if (text[at] == '&') {
            ++at;
            if (at == text.size()) {
                break;
            }
        }
        shown.append(text[at]);
    }
    return shown;
}
