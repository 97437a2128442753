#include "ModalWatcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <algorithm>

namespace uitest {

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
            const bool known = std::any_of(openMessages.begin(), openMessages.end(),
                                           [box](const OpenMessage& m) { return m.box == box; });
            if (!known) {
                messages.push_back(
                    {box->windowTitle(), box->text(), box->icon(), box->standardButtons()});
                OpenMessage opened{box, {}};
                opened.open.start();
                openMessages.push_back(opened);
            }
        } else if (auto* dialog = qobject_cast<QFileDialog*>(window)) {
            fileDialogs.push_back({dialog->windowTitle(), dialog->directory().absolutePath(),
                                   dialog->nameFilters(), dialog->defaultSuffix(),
                                   !dialog->testOption(QFileDialog::DontConfirmOverwrite),
                                   dialog->acceptMode()});
            if (fileAnswer.isEmpty()) {
                dialog->reject();
            } else {
                dialog->selectFile(fileAnswer);
                static_cast<QDialog*>(dialog)->accept();
            }
        }
    }
    mostOpenAtOnce = std::max(mostOpenAtOnce, openNow);
    for (OpenMessage& opened : openMessages) {
        if (opened.box && opened.box->isVisible() && opened.open.elapsed() >= holdMessagesMs) {
            if (QAbstractButton* ok = opened.box->button(QMessageBox::Ok)) {
                ok->click();
            } else {
                opened.box->reject();
            }
        }
    }
    std::erase_if(openMessages, [](const OpenMessage& m) { return m.box.isNull(); });
}

} // namespace uitest
