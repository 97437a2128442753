#include "ModalWatcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <algorithm>

namespace uitest {

namespace {

// A box or dialog that is still open this long after it was answered will
// never close by itself: its modal loop would hold the test until ctest's
// limit. The watcher then fails the test and closes it.
constexpr qint64 kClosesWithinMs = 2000;

// Types the path into the dialog's file-name field, as the operator does.
// QFileDialog::selectFile() leaves that field alone once it has the keyboard
// focus, so the dialog would be accepted with no file, refuse, and stay open.
void TypeFileName(QFileDialog* dialog, const QString& path) {
    auto* field = dialog->findChild<QLineEdit*>("fileNameEdit");
    if (field) {
        field->setText(path);
    } else {
        dialog->selectFile(path);
    }
}

} // namespace

ModalWatcher::ModalWatcher(int holdMessagesMs) : holdMessagesMs(holdMessagesMs) {
    poller.setInterval(5);
    connect(&poller, &QTimer::timeout, this, &ModalWatcher::Poll);
    poller.start();
}

void ModalWatcher::Poll() {
    int openNow = 0;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible()) {
            continue;
        }
        if (auto* box = qobject_cast<QMessageBox*>(window)) {
            ++openNow;
            if (!Knows(box)) {
                messages.push_back(
                    {box->windowTitle(), box->text(), box->icon(), box->standardButtons()});
                Watch(box);
            }
        } else if (auto* dialog = qobject_cast<QFileDialog*>(window); dialog && !Knows(dialog)) {
            fileDialogs.push_back({dialog->windowTitle(), dialog->directory().absolutePath(),
                                   dialog->nameFilters(), dialog->defaultSuffix(),
                                   !dialog->testOption(QFileDialog::DontConfirmOverwrite),
                                   dialog->acceptMode()});
            Watch(dialog).answered.start();
            if (fileAnswer.isEmpty()) {
                dialog->reject();
            } else {
                TypeFileName(dialog, fileAnswer);
                static_cast<QDialog*>(dialog)->accept();
            }
        }
    }
    mostOpenAtOnce = std::max(mostOpenAtOnce, openNow);
    for (Opened& opened : open) {
        if (!opened.window || !opened.window->isVisible()) {
            continue;
        }
        auto* box = qobject_cast<QMessageBox*>(opened.window.data());
        if (box && !opened.answered.isValid() && opened.seen.elapsed() >= holdMessagesMs) {
            opened.answered.start();
            if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
                ok->click();
            } else {
                box->reject();
            }
        } else if (opened.answered.isValid() && opened.answered.elapsed() > kClosesWithinMs) {
            QTest::qFail(qPrintable(QString("'%1' (%2) was answered but did not close")
                                        .arg(opened.window->windowTitle(),
                                             opened.window->metaObject()->className())),
                         __FILE__, __LINE__);
            static_cast<QDialog*>(opened.window.data())->reject();
        }
    }
    std::erase_if(open,
                  [](const Opened& o) { return o.window.isNull() || !o.window->isVisible(); });
}

bool ModalWatcher::Knows(const QWidget* window) const {
    return std::any_of(open.begin(), open.end(),
                       [window](const Opened& o) { return o.window == window; });
}

ModalWatcher::Opened& ModalWatcher::Watch(QDialog* window) {
    Opened& opened = open.emplace_back();
    opened.window = window;
    opened.seen.start();
    return opened;
}

} // namespace uitest
