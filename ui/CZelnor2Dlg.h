#pragma once

#include "DialogRunListener.h"
#include "DialogUnits.h"
#include "MainDialogTemplate.h"
#include "WorkerProcedures.h"
#include "transfer/Picture.h"
#include "transfer/RunEvents.h"
#include "transfer/RunKind.h"
#include "transfer/WorkerContext.h"
#include "transfer/WorkerThread.h"

#include <QDialog>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>

class CPictureDlg;
class CZelnor2DlgAutoProxy;
class QTimer;

// The program's control window: port and speed, Connect and Disconnect, live
// mode, continuous capture and Stop. It does no serial or file work itself:
// every command fills the settings of a run and starts one worker thread with
// a copy of them. It only listens to the run: the link, the worker and the
// status line are the dialog's own state, changed on its thread from the
// run's events. A 100 ms timer exchanges the controls with the members, as
// the operator edits them.
class CZelnor2Dlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kRefreshPeriodMs = 100;
    static constexpr int kPictureGap = 10;

    explicit CZelnor2Dlg(WorkerProcedures procedures = RealWorkerProcedures());
    ~CZelnor2Dlg() override;

    // Everything between creation and the first show. False when no language
    // is set: the operator has been told, and the dialog must end at once
    // without touching the settings.
    bool Initialise();
    // Initialises, then runs the dialog modally; Rejected at once when the
    // initialisation fails.
    int exec() override;

    // Exit, Escape and the window's close box: ends the dialog once
    // PrepareExit allows it.
    void reject() override;

    // Asks the worker to stop and waits for its end, then stores positions,
    // port and speed and destroys the picture window.
    bool PrepareExit();

    // Whether a worker was started and has not told its end yet.
    bool IsWorkerRunning() const { return workerRunning; }
    // Whether the link is marked connected, and the speed it was found
    // usable at (0 when it is not), which the picture runs open their port at.
    bool IsConnected() const { return connected; }
    std::int32_t ConnectedSpeed() const { return connectedSpeed; }
    // The periodic refresh: the controls read into the members and written
    // back, so that what the operator typed is taken and shown as read.
    void RefreshDialog();
    // One event of the running worker, on the dialog's thread.
    void OnRunEvent(const transfer::RunEvent& event);
    // Hands the display file to the picture window.
    void RefreshPicture();
    // Sets the picture window's display size and has it redraw from its file.
    void ResetPictureView();
    // Hands the picture window a picture that displayFile holds now, to draw
    // without reading the file back.
    void ShowPicture(const std::string& displayFile,
                     std::shared_ptr<const transfer::Picture> picture);

    // The object through which a client program holds this one, null when no
    // client does; while it is set, Exit only hides the dialog. Nothing on
    // this platform serves such clients, so the program itself never sets it.
    CZelnor2DlgAutoProxy* automationProxy = nullptr;

    // The settings the next run is given (and the running one was).
    WorkerContext& Context() { return context; }
    CPictureDlg* PictureWindow() const { return pictureWindow; }

signals:
    // The context menu's About item was chosen.
    void aboutRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void SetTexts();
    void FillSpeedList();
    void CreatePictureWindow();
    // Brings the picture window to its display size.
    void FitPictureView();
    void ApplyControlStates();
    // The status line shows text (cut to its room).
    void ShowStatus(const std::string& text);
    // The worker has told its end.
    void OnRunEnded();
    // Stop takes the place (and the focus) of the command it stands for.
    void SwapInStop(QPushButton* pressed);

    // Data exchange between the controls and the members below
    // (CZelnor2DlgExchange.cpp). The timer's reads leave an unfinished
    // free-space text alone while the operator edits it; a command's reads
    // report it and keep the last valid value.
    enum class Reading { ByCommand, ByTimer };
    void ReadControls(Reading reading = Reading::ByCommand);
    bool IsFreeSpaceBeingEdited() const;
    void WriteControls();
    void WriteStatusLine();
    void ReportInvalidFreeSpace();

    // The windows' places (CZelnor2DlgPlaces.cpp).
    // Moves the dialog to MainX, MainY; the place.
    QPoint MoveToStoredPlace();
    void MovePictureToStoredPlace();
    void PlaceOnShow();
    void SettlePlaces();
    void StorePlaces();
    bool eventFilter(QObject* watched, QEvent* event) override;

    // The commands (CZelnor2DlgCommands.cpp).
    void OnConnect();
    void OnLiveMode();
    void OnContinuousCapture();
    void OnDisconnect();
    void OnStop();
    bool ChooseCaptureFile(QString& path);
    // Names the run's display file in folder (empty: the current one); false,
    // with the command refused, when the name does not fit.
    bool SetDisplayFileIn(const std::string& folder);
    // Starts the worker for the command of that kind, or says why it could
    // not be started; the start controls follow at once either way.
    void StartWorker(WorkerThread::Procedure procedure, transfer::RunKind kind);
    // Puts text into the status line for the operator and restores the
    // buttons, for a command refused before any worker started.
    void RefuseCommand(const std::string& text);

    WorkerProcedures procedures;
    DialogUnits units;
    MainDialogControls controls;

    // Members exchanged with the controls.
    std::int32_t portIndex = 0;
    QString statusText;
    std::int32_t speedIndex = 0;
    std::uint32_t freeSpaceValue = 1024;
    bool freeSpaceCheck = false;
    bool deleteCorruptedCheck = false;

    // The free-space message is open: reads leave the edit alone meanwhile.
    bool validationMessageOpen = false;
    bool initialised = false;
    // Where the dialog's frame goes, and whether the picture window goes
    // beside it, once the window manager has framed the dialog.
    QPoint framePlaceWhenShown;
    QPoint picturePlaceWhenShown;
    // The start button whose place Stop took last.
    QPushButton* stopStandsFor = nullptr;
    bool placeBesideWhenShown = false;

    // The dialog's state, changed by its commands and the run's events.
    bool connected = false;
    std::int32_t connectedSpeed = 0;
    bool workerRunning = false;
    transfer::RunKind runKind = transfer::RunKind::Connect;

    WorkerContext context;
    // The listener of the worker's run; replaced at each start, when no
    // worker runs any more.
    std::unique_ptr<DialogRunListener> runListener;
    WorkerThread workerThread;
    CPictureDlg* pictureWindow = nullptr;
    QTimer* refreshTimer = nullptr;
};
