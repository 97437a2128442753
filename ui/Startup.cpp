#include "Startup.h"

#include "ApplicationName.h"
#include "CZelnor2Dlg.h"
#include "DibMessageBoxes.h"

#include <QApplication>
#include <QSettings>

int RunApplication(int argc, char** argv) {
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(kOrganisationName);
    QCoreApplication::setApplicationName(ApplicationName());
    QSettings::setDefaultFormat(QSettings::IniFormat);

    const DibMessageBoxes bitmapMessages;
    CZelnor2Dlg dialog;
    dialog.exec();
    return 0;
}
