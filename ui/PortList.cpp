#include "PortList.h"

#include "serial/PortNames.h"

#include <unistd.h>

PortList::PortList(QWidget* parent) : QComboBox(parent) {}

void PortList::RefreshDeviceTips() {
    for (int at = 0; at < count(); ++at) {
        const serial::PortDevice port = serial::ResolvePort(at + 1);
        QString tip = QString::fromStdString(port.device);
        if (::access(port.path.c_str(), F_OK) != 0) {
            tip += " (not present)";
        }
        setItemData(at, tip, Qt::ToolTipRole);
    }
}

void PortList::showPopup() {
    RefreshDeviceTips();
    QComboBox::showPopup();
}
