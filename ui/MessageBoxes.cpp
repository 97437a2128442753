#include "MessageBoxes.h"

#include "ApplicationName.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QMetaObject>

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
        application, [text] { ShowWarning(nullptr, text); }, Qt::QueuedConnection);
}
