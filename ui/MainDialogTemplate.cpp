#include "MainDialogTemplate.h"

#include "ControlIds.h"
#include "PortList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStringList>

#include <algorithm>
#include <initializer_list>
#include <type_traits>
#include <vector>

namespace {

// Closed height of a drop-down list, in dialog units; the template gives
// only the height of the open list.
constexpr int kClosedListHeight = 12;

// Free room between a label and the control right of it, in dialog units.
constexpr int kLabelGapUnits = 2;

constexpr const char* kGroupBoxStyle =
    "QGroupBox { border: 1px solid palette(mid); border-radius: 3px; margin-top: 0.6em; }"
    "QGroupBox::title { subcontrol-origin: margin; left: 0.5em; padding: 0 0.2em; }";

void WidenToFit(QWidget* control, int rightLimit) {
    const int wanted = control->sizeHint().width();
    if (wanted > control->width()) {
        control->resize(std::min(wanted, rightLimit - control->x() + 1), control->height());
    }
}

// Gives a label room for its whole text and a gap before the controls right
// of it, the first of them nearest: where the font needs more room than the
// template gives, those controls move right by as much, but not past
// rightLimit.
void FitLabelBefore(QLabel* label, std::initializer_list<QWidget*> following, int gap,
                    int rightLimit) {
    const int shortfall = label->x() + label->sizeHint().width() + gap - (*following.begin())->x();
    const int room = rightLimit - (*(following.end() - 1))->geometry().right();
    const int shift = std::clamp(shortfall, 0, std::max(room, 0));
    for (QWidget* control : following) {
        control->move(control->x() + shift, control->y());
    }
    WidenToFit(label, (*following.begin())->x() - gap - 1);
}

class TemplateBuilder {
public:
    TemplateBuilder(QDialog* dialog, const DialogUnits& units) : dialog(dialog), units(units) {}

    template <typename Control>
    Control* Add(int id, const QString& text, int x, int y, int width, int height) {
        auto* control = new Control(dialog);
        if (id != 0) {
            control->setObjectName(ControlObjectName(id));
        }
        if constexpr (std::is_same_v<Control, QGroupBox>) {
            control->setTitle(text);
        } else if constexpr (std::is_base_of_v<QComboBox, Control> ||
                             std::is_same_v<Control, QLineEdit>) {
            Q_UNUSED(text);
        } else {
            control->setText(text);
        }
        control->setGeometry(units.ToPixels(x, y, width, height));
        if (control->focusPolicy() != Qt::NoFocus) {
            tabOrder.push_back(control);
        }
        return control;
    }

    template <typename List = QComboBox> List* AddList(int id, int x, int y, int width) {
        auto* list = Add<List>(id, {}, x, y, width, kClosedListHeight);
        list->setInsertPolicy(QComboBox::NoInsert);
        return list;
    }

    void FinishTabOrder() const {
        for (std::size_t at = 1; at < tabOrder.size(); ++at) {
            QWidget::setTabOrder(tabOrder[at - 1], tabOrder[at]);
        }
    }

private:
    QDialog* dialog;
    const DialogUnits& units;
    std::vector<QWidget*> tabOrder;
};

} // namespace

QString ControlObjectName(int id) {
    return QString::number(id);
}

MainDialogControls CreateMainDialogControls(QDialog* dialog, const DialogUnits& units) {
    TemplateBuilder add(dialog, units);
    MainDialogControls c;
    // Template order, which is also the tab order.
    c.connect = add.Add<QPushButton>(ControlId::kConnect, "Connect", 6, 24, 96, 11);
    c.exit = add.Add<QPushButton>(ControlId::kExit, "Exit", 29, 144, 50, 14);
    c.speedList = add.AddList(ControlId::kSpeedList, 56, 9, 48);
    c.continuousCapture =
        add.Add<QPushButton>(ControlId::kContinuousCapture, "Get Continues JPEGs", 6, 73, 96, 11);
    c.liveMode = add.Add<QPushButton>(ControlId::kLiveMode, "Live Mode", 6, 62, 96, 11);
    c.connectionGroup =
        add.Add<QGroupBox>(ControlId::kConnectionGroup, "Connection", 1, 1, 105, 48);
    c.picturesGroup = add.Add<QGroupBox>(ControlId::kPicturesGroup, "Pictures", 1, 53, 105, 72);
    c.statusLine = add.Add<QLineEdit>(ControlId::kStatusLine, {}, 1, 128, 106, 12);
    c.stop = add.Add<QPushButton>(ControlId::kStop, "Stop", 57, 144, 50, 14);
    c.disconnect = add.Add<QPushButton>(ControlId::kDisconnect, "Disconnect", 6, 35, 96, 11);
    c.portList = add.AddList<PortList>(ControlId::kPortList, 6, 9, 43);
    c.freeSpaceCheck =
        add.Add<QCheckBox>(ControlId::kFreeSpaceCheck, "Stop if disk freespace is", 6, 97, 99, 11);
    c.underLabel = add.Add<QLabel>(0, "under", 6, 111, 19, 8);
    c.freeSpaceValue = add.Add<QLineEdit>(ControlId::kFreeSpaceValue, {}, 26, 108, 43, 12);
    c.unitList = add.AddList(ControlId::kUnitList, 71, 108, 30);
    c.deleteCorrupted =
        add.Add<QCheckBox>(ControlId::kDeleteCorrupted, "Delete Corrupted", 6, 87, 69, 10);
    add.FinishTabOrder();

    // The group boxes only frame the controls drawn over them, with the
    // frame's top line running through the middle of the title.
    for (QGroupBox* group : {c.connectionGroup, c.picturesGroup}) {
        group->lower();
        group->setStyleSheet(kGroupBoxStyle);
    }
    // Check boxes and labels cannot scroll: where the font needs more room
    // than the template gives, they take what is free to their right.
    const int groupRight = c.picturesGroup->geometry().right() - units.ToPixelsX(1);
    WidenToFit(c.deleteCorrupted, groupRight);
    WidenToFit(c.freeSpaceCheck, groupRight);
    FitLabelBefore(c.underLabel, {c.freeSpaceValue, c.unitList}, units.ToPixelsX(kLabelGapUnits),
                   groupRight);
    // Enter always means Connect, the default button, and does nothing while
    // Connect is disabled or hidden. A QPushButton in a QDialog is otherwise
    // auto-default: the one with the focus would take Enter, and the focus
    // moves on to Exit when the pressed button makes room for Stop.
    for (QPushButton* button :
         {c.connect, c.exit, c.continuousCapture, c.liveMode, c.stop, c.disconnect}) {
        button->setAutoDefault(false);
    }
    c.connect->setDefault(true);
    c.stop->hide();
    c.statusLine->setReadOnly(true);
    c.freeSpaceValue->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[0-9]*"), c.freeSpaceValue));

    c.portList->addItems({"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8"});
    c.portList->RefreshDeviceTips();
    c.unitList->addItems({"KB", "MB"});
    return c;
}
