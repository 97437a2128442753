#include "MessageBoxes.h"

#include "ApplicationName.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QStringList>

namespace {

// Messages posted from other threads, shown one after another on the GUI
// thread. A message that is already waiting is not queued twice, so a fault
// that repeats with every picture cannot bury the operator in boxes.
QStringList pendingWarnings;
bool warningShowing = false;

void ShowPendingWarnings() {
    if (warningShowing) {
        return;
    }
    warningShowing = true;
    while (!pendingWarnings.isEmpty()) {
        ShowWarning(nullptr, pendingWarnings.takeFirst());
    }
    warningShowing = false;
}

} // namespace

void ShowWarning(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Warning, ApplicationName(), text, QMessageBox::Ok, parent);
    box.exec();
}

void PostWarning(const QString& text) {
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr) {
        return;
    }
    QMetaObject::invokeMethod(
        application,
        [text] {
            if (!pendingWarnings.contains(text)) {
                pendingWarnings.append(text);
            }
            ShowPendingWarnings();
        },
        Qt::QueuedConnection);
}
