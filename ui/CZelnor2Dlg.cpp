// The main dialog's life: what it is made of, its start from the settings,
// what it makes of the run's events (the controls' states, and Stop in the
// place of the command it stands for), and its end.
#include "CZelnor2Dlg.h"

#include "ControlStates.h"
#include "LanguageString.h"
#include "MessageBoxes.h"
#include "SettingsStore.h"
#include "language/LanguageText.h"
#include "picture/CPictureDlg.h"
#include "platform/Overloaded.h"
#include "transfer/StatusTexts.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QMenu>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

namespace {

constexpr const char* kAboutItemText = "&About Karvo...";

} // namespace

CZelnor2Dlg::CZelnor2Dlg(WorkerProcedures procedures)
    : QDialog(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint),
      procedures(procedures), units(font()), controls(CreateMainDialogControls(this, units)) {
    setWindowTitle("Picture control");
    setFixedSize(units.ToPixelsX(kMainDialogWidthUnits), units.ToPixelsY(kMainDialogHeightUnits));

    connect(controls.connect, &QPushButton::clicked, this, &CZelnor2Dlg::OnConnect);
    connect(controls.exit, &QPushButton::clicked, this, &CZelnor2Dlg::reject);
    connect(controls.liveMode, &QPushButton::clicked, this, &CZelnor2Dlg::OnLiveMode);
    connect(controls.continuousCapture, &QPushButton::clicked, this,
            &CZelnor2Dlg::OnContinuousCapture);
    connect(controls.disconnect, &QPushButton::clicked, this, &CZelnor2Dlg::OnDisconnect);
    connect(controls.stop, &QPushButton::clicked, this, &CZelnor2Dlg::OnStop);
}

CZelnor2Dlg::~CZelnor2Dlg() {
    // Normally PrepareExit has already waited; a dialog destroyed otherwise
    // must not leave a worker running on a context that is going away.
    workerThread.RequestStop();
    workerThread.Join();
}

bool CZelnor2Dlg::Initialise() {
    if (initialised) {
        return true;
    }
    WriteControls();
    if (!LanguageText::LoadCurrentLanguage()) {
        ShowWarning(nullptr, QString::fromUtf8(LanguageText::kLanguageNotSetMessage.data(),
                                               LanguageText::kLanguageNotSetMessage.size()));
        return false;
    }
    SetTexts();
    portIndex = SettingsStore::ReadInt(SettingsStore::kCommunication, SettingsStore::kPort, 0);
    FillSpeedList();
    speedIndex = SettingsStore::ReadInt(SettingsStore::kCommunication, SettingsStore::kBaudrate, 0);
    controls.unitList->setCurrentIndex(1);
    WriteControls();
    RefreshDialog();
    // The dialog takes its place before the picture window, its transient,
    // makes Qt create the dialog's window: a place given before that is the
    // frame's, as stored.
    MoveToStoredPlace();
    CreatePictureWindow();

    refreshTimer = new QTimer(this);
    connect(refreshTimer, &QTimer::timeout, this, &CZelnor2Dlg::RefreshDialog);
    refreshTimer->start(kRefreshPeriodMs);
    controls.connect->setFocus();
    initialised = true;
    return true;
}

int CZelnor2Dlg::exec() {
    if (!Initialise()) {
        return QDialog::Rejected;
    }
    return QDialog::exec();
}

bool CZelnor2Dlg::PrepareExit() {
    if (automationProxy != nullptr) {
        // A client still holds the program: the window goes out of sight and
        // everything else stays as it is. QDialog's own hiding would end the
        // modal run, so the plain widget's is used.
        QWidget::setVisible(false);
        return false;
    }
    // Nothing else is handled while the worker ends, so no command can start
    // another worker; the end it told on the way is taken here.
    workerThread.RequestStop();
    workerThread.Join();
    if (runListener) {
        runListener->DeliverQueued();
    }
    ReadControls();
    StorePlaces();
    SettingsStore::WriteInt(SettingsStore::kCommunication, SettingsStore::kPort, portIndex);
    SettingsStore::WriteInt(SettingsStore::kCommunication, SettingsStore::kBaudrate, speedIndex);
    delete pictureWindow;
    pictureWindow = nullptr;
    if (refreshTimer != nullptr) {
        refreshTimer->stop();
    }
    return true;
}

void CZelnor2Dlg::reject() {
    if (!initialised) {
        QDialog::reject();
        return;
    }
    if (PrepareExit()) {
        QDialog::reject();
    }
}

void CZelnor2Dlg::SetTexts() {
    setWindowTitle(LanguageString("QX_CAPTION"));
    controls.connect->setText(LanguageString("QX_IDOK"));
    controls.exit->setText(LanguageString("QX_IDCANCEL"));
    controls.continuousCapture->setText(LanguageString("QX_IDC_GET_JPEG"));
    controls.liveMode->setText(LanguageString("QX_IDC_LIVE_JPEG"));
    controls.connectionGroup->setTitle(LanguageString("QX_IDC_CONNECTION"));
    controls.picturesGroup->setTitle(LanguageString("QX_IDC_PICTURES"));
    controls.stop->setText(LanguageString("QX_IDC_ABORT"));
    controls.disconnect->setText(LanguageString("QX_IDC_DISCONNECT"));
}

void CZelnor2Dlg::FillSpeedList() {
    for (const char* key : {"STRING_IDS_SPEED1", "STRING_IDS_SPEED2", "STRING_IDS_SPEED3",
                            "STRING_IDS_SPEED4", "STRING_IDS_SPEED5"}) {
        const std::string text = LanguageText::Text(key);
        controls.speedList->addItem(LanguageBytesToString(text),
                                    static_cast<int>(LanguageText::LeadingNumber(text)));
    }
}

void CZelnor2Dlg::CreatePictureWindow() {
    pictureWindow = new CPictureDlg(this);
    pictureWindow->Initialise();
    MovePictureToStoredPlace();
    pictureWindow->show();
    ResetPictureView();
    pictureWindow->update();
}

void CZelnor2Dlg::RefreshDialog() {
    ReadControls(Reading::ByTimer);
    WriteControls();
    ApplyControlStates();
}

void CZelnor2Dlg::OnRunEvent(const transfer::RunEvent& event) {
    if (const auto line = transfer::StatusLineFor(event, runKind, context)) {
        ShowStatus(*line);
    }
    std::visit(platform::Overloaded{
                   [this](const transfer::Connected& link) {
                       connected = true;
                       connectedSpeed = link.speed;
                       ApplyControlStates();
                   },
                   [this](const transfer::Disconnected&) {
                       connected = false;
                       connectedSpeed = 0;
                       ApplyControlStates();
                   },
                   [this](const transfer::Ended&) { OnRunEnded(); },
                   [](const auto&) {},
               },
               event);
}

void CZelnor2Dlg::OnRunEnded() {
    // Ended is the worker's last word: its thread returns at once.
    workerThread.Join();
    workerRunning = false;
    ApplyControlStates();
}

void CZelnor2Dlg::ShowStatus(const std::string& text) {
    // Status texts are language texts, with a path or a number at most.
    statusText = LanguageBytesToString(transfer::FitStatusText(text));
    WriteStatusLine();
}

void CZelnor2Dlg::RefreshPicture() {
    if (pictureWindow != nullptr) {
        pictureWindow->pictureFile = QString::fromStdString(context.DisplayFileName());
        ResetPictureView();
    }
}

void CZelnor2Dlg::ApplyControlStates() {
    const ControlStates states = ControlStatesFor(connected, workerRunning);
    const auto apply = [](QWidget* control, const ControlState& state) {
        control->setEnabled(state.enabled);
        if (state.visible.has_value()) {
            control->setVisible(*state.visible);
        }
    };
    const bool stopHadFocus = focusWidget() == controls.stop;
    apply(controls.connect, states.connect);
    apply(controls.disconnect, states.disconnect);
    apply(controls.liveMode, states.liveMode);
    apply(controls.continuousCapture, states.continuousCapture);
    apply(controls.stop, states.stop);
    apply(controls.portList, states.portList);
    apply(controls.speedList, states.speedList);
    if (stopHadFocus && !controls.stop->isVisible()) {
        // Back to the button that Stop stood in for, or the first command
        // that can be used now, not to whatever follows Stop in the tab order.
        for (QPushButton* button : {stopStandsFor, controls.connect, controls.disconnect,
                                    controls.liveMode, controls.continuousCapture}) {
            if (button != nullptr && button->isVisible() && button->isEnabled()) {
                button->setFocus();
                break;
            }
        }
    }
}

void CZelnor2Dlg::SwapInStop(QPushButton* pressed) {
    controls.stop->setGeometry(pressed->geometry());
    controls.stop->show();
    // The focus goes with the place: hiding the focused button would hand it
    // to the next control in the tab order instead.
    if (focusWidget() == pressed) {
        controls.stop->setFocus();
    }
    pressed->hide();
    stopStandsFor = pressed;
}

void CZelnor2Dlg::FitPictureView() {
    pictureWindow->displayWidth = CPictureDlg::kDisplayWidth;
    pictureWindow->displayHeight = CPictureDlg::kDisplayHeight;
    pictureWindow->FitClientArea();
}

void CZelnor2Dlg::ResetPictureView() {
    if (pictureWindow == nullptr) {
        return;
    }
    FitPictureView();
    pictureWindow->Reload();
}

void CZelnor2Dlg::ShowPicture(const std::string& displayFile,
                              std::shared_ptr<const transfer::Picture> picture) {
    if (pictureWindow == nullptr) {
        return;
    }
    FitPictureView();
    const std::vector<std::uint8_t>& bytes = picture->bytes;
    pictureWindow->ShowPicture(QString::fromStdString(displayFile), {std::move(picture), &bytes});
}

void CZelnor2Dlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous() && initialised) {
        PlaceOnShow();
    }
}

void CZelnor2Dlg::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    // Coming back to the dialog has the picture window load its file again,
    // once the activation is through.
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        QMetaObject::invokeMethod(this, &CZelnor2Dlg::RefreshPicture, Qt::QueuedConnection);
    }
}

void CZelnor2Dlg::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(kAboutItemText, this, &CZelnor2Dlg::aboutRequested);
    menu.exec(event->globalPos());
}
