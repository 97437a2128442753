// Data exchange of the main dialog: the members read from and written into
// the controls, always in the order port, status, speed, free-space value,
// free-space check, delete-corrupted check.
#include "CZelnor2Dlg.h"

#include "FreeSpaceLimit.h"
#include "MessageBoxes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace {

constexpr const char* kInvalidFreeSpaceMessage = "Please enter a positive integer.";

// Writing only what differs keeps the status line from flickering and the
// operator's caret in the free-space edit from jumping.
void SetTextIfDiffers(QLineEdit* edit, const QString& text) {
    if (edit->text() != text) {
        edit->setText(text);
    }
}

void SetIndexIfDiffers(QComboBox* list, int index) {
    if (list->currentIndex() != index) {
        list->setCurrentIndex(index);
    }
}

void SetCheckedIfDiffers(QCheckBox* box, bool checked) {
    if (box->isChecked() != checked) {
        box->setChecked(checked);
    }
}

} // namespace

void CZelnor2Dlg::ReadControls(Reading reading) {
    portIndex = controls.portList->currentIndex();
    statusText = controls.statusLine->text();
    speedIndex = controls.speedList->currentIndex();
    // While the operator is being told about the edit, the timer goes on
    // refreshing; checking the edit again then would only pile up messages.
    if (!validationMessageOpen) {
        const std::optional<std::uint32_t> value =
            ParseFreeSpaceText(controls.freeSpaceValue->text().toStdString());
        if (value.has_value()) {
            freeSpaceValue = *value;
        } else if (reading == Reading::ByTimer && IsFreeSpaceBeingEdited()) {
            // An empty or unfinished text is not yet an error while the
            // operator types: a command or Exit reads it when it counts.
        } else {
            // The last valid value stays, and is what the caller goes on with.
            ReportInvalidFreeSpace();
        }
    }
    freeSpaceCheck = controls.freeSpaceCheck->isChecked();
    deleteCorruptedCheck = controls.deleteCorrupted->isChecked();
}

void CZelnor2Dlg::WriteControls() {
    SetIndexIfDiffers(controls.portList, portIndex);
    WriteStatusLine();
    SetIndexIfDiffers(controls.speedList, speedIndex);
    if (!IsFreeSpaceBeingEdited()) {
        SetTextIfDiffers(controls.freeSpaceValue, QString::number(freeSpaceValue));
    }
    SetCheckedIfDiffers(controls.freeSpaceCheck, freeSpaceCheck);
    SetCheckedIfDiffers(controls.deleteCorrupted, deleteCorruptedCheck);
}

void CZelnor2Dlg::WriteStatusLine() {
    if (controls.statusLine->text() != statusText) {
        controls.statusLine->setText(statusText);
        // A long status shows its beginning, where the news is.
        controls.statusLine->setCursorPosition(0);
    }
}

bool CZelnor2Dlg::IsFreeSpaceBeingEdited() const {
    return controls.freeSpaceValue->hasFocus();
}

void CZelnor2Dlg::ReportInvalidFreeSpace() {
    validationMessageOpen = true;
    ShowWarning(this, kInvalidFreeSpaceMessage);
    validationMessageOpen = false;
    // The last valid value comes back at once, so the same entry is never
    // reported twice; the operator corrects it from there.
    SetTextIfDiffers(controls.freeSpaceValue, QString::number(freeSpaceValue));
    controls.freeSpaceValue->setFocus();
    controls.freeSpaceValue->selectAll();
}
