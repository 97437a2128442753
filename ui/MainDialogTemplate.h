#pragma once

#include "DialogUnits.h"
#include "PortList.h"

class QCheckBox;
class QComboBox;
class QDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// The controls of the main dialog, created from its template.
struct MainDialogControls {
    QPushButton* connect = nullptr;
    QPushButton* exit = nullptr;
    QComboBox* speedList = nullptr;
    QPushButton* continuousCapture = nullptr;
    QPushButton* liveMode = nullptr;
    QGroupBox* connectionGroup = nullptr;
    QGroupBox* picturesGroup = nullptr;
    QLineEdit* statusLine = nullptr;
    QPushButton* stop = nullptr;
    QPushButton* disconnect = nullptr;
    PortList* portList = nullptr;
    QCheckBox* freeSpaceCheck = nullptr;
    QLabel* underLabel = nullptr;
    QLineEdit* freeSpaceValue = nullptr;
    QComboBox* unitList = nullptr;
    QCheckBox* deleteCorrupted = nullptr;
};

// Size of the dialog's client area in dialog units.
inline constexpr int kMainDialogWidthUnits = 108;
inline constexpr int kMainDialogHeightUnits = 161;

// Creates every control of the template on dialog, at its place converted
// through units, with its template text, its identifier as object name and
// the template's tab order; fills the port list (COM1 to COM8, each with the
// device it stands for as its tooltip) and the unit list (KB, MB) as the
// template's initialisation data do.
MainDialogControls CreateMainDialogControls(QDialog* dialog, const DialogUnits& units);

// The object name that a control with the given identifier carries.
QString ControlObjectName(int id);
