#pragma once

#include <QComboBox>

// The dialog's list of COM names. Each entry's tooltip names the device the
// name stands for, looked up afresh each time the list opens, since adapters
// come and go and the ports folder may change while the program runs.
class PortList : public QComboBox {
public:
    explicit PortList(QWidget* parent = nullptr);

    // Sets each entry's tooltip ("COM3" -> "/dev/ttyUSB0", or
    // "/dev/ttyUSB0 (not present)").
    void RefreshDeviceTips();

    void showPopup() override;
};
