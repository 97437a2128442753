#include "CPictureDlg.h"

#include "language/LanguageText.h"

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
    setWindowTitle(QString::fromStdString(LanguageText::Text("VIEW_CAPTION")));
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

void CPictureDlg::paintEvent(QPaintEvent*) {
    // No copy of the picture is kept: the worker rewrites the file, and each
    // paint shows what it holds now. A file that does not load (missing,
    // half written, not a picture) leaves the plain background.
    if (pictureFile.isEmpty()) {
        return;
    }
    const QImage picture(pictureFile);
    if (picture.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.drawImage(QRect(0, 0, displayWidth, displayHeight), picture);
}

void CPictureDlg::focusInEvent(QFocusEvent* event) {
    QDialog::focusInEvent(event);
    update();
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
