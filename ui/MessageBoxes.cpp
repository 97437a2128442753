#include "MessageBoxes.h"

#include "ApplicationName.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QStringList>

namespace {

// Texts whose box is open now. Posted messages do not block: the operator
// can still press Stop while a box waits for OK. A text whose box is still
// open is not shown again, so a fault that repeats with every picture cannot
// bury the operator in boxes.
QStringList openWarnings;

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
            if (openWarnings.contains(text)) {
                return;
            }
            openWarnings.append(text);
            auto* box =
                new QMessageBox(QMessageBox::Warning, ApplicationName(), text, QMessageBox::Ok);
            box->setWindowModality(Qt::NonModal);
            box->setAttribute(Qt::WA_DeleteOnClose);
            QObject::connect(box, &QMessageBox::finished, [text] { openWarnings.removeOne(text); });
            box->show();
        },
        Qt::QueuedConnection);
}
