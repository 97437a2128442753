#include "CPictureDlg.h"

#include "language/LanguageText.h"
#include "language/TextEncoding.h"

#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QTimer>

CPictureDlg::CPictureDlg(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setFocusPolicy(Qt::StrongFocus);
    setSizeGripEnabled(false);
    FitClientArea();
}

void CPictureDlg::Initialise() {
    setWindowTitle(
        QString::fromStdString(LanguageText::AsUtf8(LanguageText::Text("VIEW_CAPTION"))));
}

void CPictureDlg::FitClientArea() {
    const QSize display(displayWidth, displayHeight);
    if (minimumSize() != display || maximumSize() != display) {
        setFixedSize(display);
    }
    if (size() != display) {
        resize(display);
    }
}

void CPictureDlg::Reload() {
    given.reset();
    pictureStamp.reset();
    update();
}

void CPictureDlg::ShowPicture(const QString& file,
                              std::shared_ptr<const std::vector<std::uint8_t>> bytes) {
    pictureFile = file;
    given = std::move(bytes);
    givenStamp = StampOf(QFile::encodeName(file).toStdString());
    pictureStamp.reset();
    update();
}

void CPictureDlg::paintEvent(QPaintEvent*) {
    // Each paint shows what the file holds now: the worker rewrites it. Only
    // an unchanged file is not decoded again, since an expose costs no more
    // than a look at the file that way. The stamp is taken before reading, so
    // a rewrite while reading is read again at the next paint. A file that
    // does not load (missing, half written, not a picture) leaves the plain
    // background.
    const std::optional<FileStamp> stamp =
        pictureFile.isEmpty() ? std::nullopt
                              : StampOf(QFile::encodeName(pictureFile).toStdString());
    if (!stamp) {
        given.reset();
        picture = QImage();
        pictureStamp.reset();
        return;
    }
    if (stamp != pictureStamp || pictureFile != pictureRead) {
        if (given && stamp == givenStamp) {
            picture = QImage::fromData(given->data(), static_cast<int>(given->size()));
        } else {
            picture = QImage(pictureFile);
        }
        given.reset();
        pictureRead = pictureFile;
        pictureStamp = stamp;
    }
    if (picture.isNull()) {
        return;
    }
    QPainter painter(this);
    // A small picture is enlarged a lot; without smoothing it turns to blocks.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(0, 0, displayWidth, displayHeight), picture);
}

void CPictureDlg::focusInEvent(QFocusEvent* event) {
    QDialog::focusInEvent(event);
    Reload();
}

void CPictureDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    // A size set from outside lasts only until the correction runs.
    if (size() != QSize(displayWidth, displayHeight)) {
        QTimer::singleShot(0, this, &CPictureDlg::FitClientArea);
    }
}

void CPictureDlg::keyPressEvent(QKeyEvent* event) {
    // Enter ends the window as a dialog, just like Escape does: it hides.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
