#include "DialogEnvironment.h"
#include "ModalWatcher.h"
#include "ScriptedWorkers.h"
#include "picture/CPictureDlg.h"
#include "platform/ExecutablePath.h"
#include "tests/support/ScopedEnvironment.h"
#include "ui/ApplicationName.h"
#include "ui/CZelnor2Dlg.h"
#include "ui/ControlIds.h"
#include "ui/DialogRunListener.h"
#include "ui/SettingsStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <thread>

using namespace uitest;
namespace scripted = uitest::scripted;

namespace {

// The controls that follow the link and the worker, as the operator sees
// them: enabled, visible.
struct Seen {
    bool enabled;
    bool visible;
    bool operator==(const Seen&) const = default;
};

Seen Look(QWidget* control) {
    return {control->isEnabled(), control->isVisible()};
}

char* toString(const Seen& seen) {
    return qstrdup(QByteArray(seen.enabled ? "enabled" : "disabled") + ", " +
                   (seen.visible ? "shown" : "hidden"));
}

constexpr Seen kShownEnabled{true, true};
constexpr Seen kShownDisabled{false, true};
constexpr Seen kHiddenEnabled{true, false};
constexpr Seen kHiddenDisabled{false, false};

} // namespace

class MainDialogTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<DialogEnvironment> environment;
    std::unique_ptr<CZelnor2Dlg> dialog;
    // Where the two windows were put when the dialog was shown. Taken before
    // the offscreen platform has its say: it nudges a window whose client
    // area would begin left of or above its screen.
    QPoint mainPlaceAtShow;
    QPoint picturePlaceAtShow;

    void Open() {
        dialog = std::make_unique<CZelnor2Dlg>(scripted::Procedures());
        QVERIFY(dialog->Initialise());
        dialog->show();
        // The windows take their places once the dialog is on screen.
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        mainPlaceAtShow = dialog->frameGeometry().topLeft();
        picturePlaceAtShow = dialog->PictureWindow()->frameGeometry().topLeft();
    }

    // Ends the dialog as the operator does, with Exit.
    void Exit() {
        QTest::mouseClick(Button(ControlId::kExit), Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
    }

    QPushButton* Button(int id) const { return FindButton(dialog.get(), id); }
    QComboBox* List(int id) const { return FindControl<QComboBox>(dialog.get(), id); }
    QLineEdit* Edit(int id) const { return FindControl<QLineEdit>(dialog.get(), id); }
    QCheckBox* Check(int id) const { return FindControl<QCheckBox>(dialog.get(), id); }

    void Click(int id) { QTest::mouseClick(Button(id), Qt::LeftButton); }

    // Waits until the refresh timer has ticked so often, each tick's refresh
    // done: a check that follows has seen those ticks, not merely some time.
    void WaitForTicks(int ticks) {
        QTimer* refresh = nullptr;
        for (QTimer* timer : dialog->findChildren<QTimer*>()) {
            if (!timer->isSingleShot() && timer->interval() == CZelnor2Dlg::kRefreshPeriodMs) {
                refresh = timer;
            }
        }
        QVERIFY(refresh != nullptr);
        const QSignalSpy ticked(refresh, &QTimer::timeout);
        QTRY_VERIFY(ticked.count() >= ticks);
    }

    // Starts a continuous capture into a file of the test folder.
    void StartCapture(ModalWatcher& watcher) {
        watcher.AnswerFileDialogsWith(QString::fromStdString(environment->Folder() / "shot.jpg"));
        Click(ControlId::kContinuousCapture);
    }

    void Connect() {
        Click(ControlId::kConnect);
        scripted::Release();
        QTRY_VERIFY(dialog->IsConnected() && !dialog->IsWorkerRunning());
        QTRY_VERIFY(Button(ControlId::kLiveMode)->isEnabled());
        scripted::Reset();
    }

    void VerifyIdle() {
        QCOMPARE(Look(Button(ControlId::kConnect)), kShownEnabled);
        QCOMPARE(Look(Button(ControlId::kDisconnect)), kShownDisabled);
        QCOMPARE(Look(Button(ControlId::kLiveMode)), kShownDisabled);
        QCOMPARE(Look(Button(ControlId::kContinuousCapture)), kShownDisabled);
        QCOMPARE(Look(Button(ControlId::kStop)), kHiddenEnabled);
        QCOMPARE(Look(List(ControlId::kPortList)), kShownEnabled);
        QCOMPARE(Look(List(ControlId::kSpeedList)), kShownEnabled);
    }

    void VerifyConnectedIdle() {
        QCOMPARE(Look(Button(ControlId::kConnect)), kShownDisabled);
        QCOMPARE(Look(Button(ControlId::kDisconnect)), kShownEnabled);
        QCOMPARE(Look(Button(ControlId::kLiveMode)), kShownEnabled);
        QCOMPARE(Look(Button(ControlId::kContinuousCapture)), kShownEnabled);
        QCOMPARE(Look(Button(ControlId::kStop)), kHiddenEnabled);
        QCOMPARE(Look(List(ControlId::kPortList)), kShownDisabled);
        QCOMPARE(Look(List(ControlId::kSpeedList)), kShownDisabled);
    }

    // A worker runs: every start control is disabled, the pressed one
    // hidden and Stop, enabled, in its place.
    void VerifyRunningInPlaceOf(int pressedId, const QRect& pressedPlace) {
        // Compared as lists, so that a difference names the button by its
        // place in the list.
        QList<Seen> seen;
        QList<Seen> wanted;
        for (int id : {ControlId::kConnect, ControlId::kDisconnect, ControlId::kLiveMode,
                       ControlId::kContinuousCapture}) {
            seen.append(Look(Button(id)));
            wanted.append(id == pressedId ? kHiddenDisabled : kShownDisabled);
        }
        QCOMPARE(seen, wanted);
        QCOMPARE(Look(Button(ControlId::kStop)), kShownEnabled);
        QCOMPARE(Button(ControlId::kStop)->geometry(), pressedPlace);
        QCOMPARE(List(ControlId::kPortList)->isEnabled(), false);
        QCOMPARE(List(ControlId::kSpeedList)->isEnabled(), false);
        QCOMPARE(Look(Button(ControlId::kExit)), kShownEnabled);
    }

    std::int32_t Stored(std::string_view section, std::string_view key) {
        return SettingsStore::ReadInt(section, key, 99999);
    }

private slots:
    void init() {
        scripted::Reset();
        environment = std::make_unique<DialogEnvironment>();
    }

    void cleanup() {
        scripted::Release();
        dialog.reset();
        QTRY_COMPARE(scripted::RunningCount(), 0);
        environment.reset();
    }

    void theFirstStartShowsTheDefaults() {
        Open();
        QCOMPARE(dialog->windowTitle(), QString("Camera control"));
        QCOMPARE(Button(ControlId::kConnect)->text(), QString("Connect now"));
        QCOMPARE(Button(ControlId::kExit)->text(), QString("Quit"));
        QCOMPARE(Button(ControlId::kContinuousCapture)->text(), QString("Capture JPEGs"));
        QCOMPARE(Button(ControlId::kLiveMode)->text(), QString("Live view"));
        QCOMPARE(Button(ControlId::kStop)->text(), QString("Halt"));
        QCOMPARE(Button(ControlId::kDisconnect)->text(), QString("Hang up"));
        QCOMPARE(FindControl<QGroupBox>(dialog.get(), ControlId::kConnectionGroup)->title(),
                 QString("Line"));
        QCOMPARE(FindControl<QGroupBox>(dialog.get(), ControlId::kPicturesGroup)->title(),
                 QString("Pictures"));
        // Texts no language replaces.
        QCOMPARE(Check(ControlId::kFreeSpaceCheck)->text(), QString("Stop if disk freespace is"));
        QCOMPARE(Check(ControlId::kDeleteCorrupted)->text(), QString("Delete Corrupted"));
        QVERIFY(dialog->findChild<QLabel*>() != nullptr);
        QCOMPARE(dialog->findChild<QLabel*>()->text(), QString("under"));

        QComboBox* ports = List(ControlId::kPortList);
        QStringList portTexts;
        for (int at = 0; at < ports->count(); ++at) {
            portTexts.append(ports->itemText(at));
        }
        QCOMPARE(portTexts,
                 QStringList({"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8"}));
        QCOMPARE(ports->currentText(), QString("COM1"));
        QComboBox* speeds = List(ControlId::kSpeedList);
        QStringList speedTexts;
        QList<int> speedNumbers;
        for (int at = 0; at < speeds->count(); ++at) {
            speedTexts.append(speeds->itemText(at));
            speedNumbers.append(speeds->itemData(at).toInt());
        }
        QCOMPARE(speedTexts, QStringList({"9600", "19200 baud", " 38400", "fast", "115200"}));
        QCOMPARE(speedNumbers, QList<int>({9600, 19200, 38400, 0, 115200}));
        QCOMPARE(speeds->currentIndex(), 0);
        QComboBox* units = List(ControlId::kUnitList);
        QCOMPARE(units->count(), 2);
        QCOMPARE(units->itemText(0), QString("KB"));
        QCOMPARE(units->currentText(), QString("MB"));
        QCOMPARE(Edit(ControlId::kFreeSpaceValue)->text(), QString("1024"));
        QVERIFY(!Check(ControlId::kFreeSpaceCheck)->isChecked());
        QVERIFY(!Check(ControlId::kDeleteCorrupted)->isChecked());
        QCOMPARE(Edit(ControlId::kStatusLine)->text(), QString());
        QVERIFY(Edit(ControlId::kStatusLine)->isReadOnly());
        VerifyIdle();
        QVERIFY(Button(ControlId::kConnect)->isDefault());
        QCOMPARE(dialog->focusWidget(), Button(ControlId::kConnect));

        CPictureDlg* picture = dialog->PictureWindow();
        QVERIFY(picture != nullptr);
        QVERIFY(picture->isVisible());
        QCOMPARE(picture->windowTitle(), QString("Newest picture"));
        QCOMPARE(picture->size(), QSize(640, 480));
        QVERIFY(picture->pictureFile.isEmpty());
        // Nothing stored: the dialog at the top-left corner, the picture
        // window 10 pixels to its right, top edges level.
        QCOMPARE(mainPlaceAtShow, QPoint(0, 0));
        QCOMPARE(picturePlaceAtShow, QPoint(dialog->frameGeometry().width() + 10, 0));
    }

    void textsOfALanguageFileWrittenOnWindowsAreReadAsWindows1252() {
        environment.reset();
        auto texts = TestTexts();
        texts["QX_IDOK"] = "Verbinden \x80 caf\xE9";
        texts["QX_IDCANCEL"] = "Caf\xC3\xA9";
        environment = std::make_unique<DialogEnvironment>(texts);
        Open();
        QCOMPARE(Button(ControlId::kConnect)->text(),
                 QString::fromUtf8("Verbinden \u20AC caf\u00E9"));
        QCOMPARE(Button(ControlId::kExit)->text(), QString::fromUtf8("Caf\u00E9"));
    }

    void theTemplateIsLaidOutInDialogUnitsAndTabOrder() {
        Open();
        const DialogUnits units(dialog->font());
        QCOMPARE(dialog->size(), QSize(units.ToPixelsX(108), units.ToPixelsY(161)));
        QCOMPARE(Button(ControlId::kConnect)->geometry(), units.ToPixels(6, 24, 96, 11));
        QCOMPARE(Button(ControlId::kExit)->geometry(), units.ToPixels(29, 144, 50, 14));
        QCOMPARE(Button(ControlId::kStop)->geometry(), units.ToPixels(57, 144, 50, 14));
        QCOMPARE(Edit(ControlId::kStatusLine)->geometry(), units.ToPixels(1, 128, 106, 12));
        // The label before the free-space edit shows all of its text and
        // leaves a gap of two units; where the font needs it, the edit and
        // the unit list make room by moving right, within their group.
        const QLabel* under = dialog->findChild<QLabel*>();
        const QRect freeSpacePlace = units.ToPixels(26, 108, 43, 12);
        const QRect freeSpaceSeen = Edit(ControlId::kFreeSpaceValue)->geometry();
        QCOMPARE(freeSpaceSeen.size(), freeSpacePlace.size());
        QCOMPARE(freeSpaceSeen.y(), freeSpacePlace.y());
        QVERIFY(freeSpaceSeen.x() >= freeSpacePlace.x());
        QCOMPARE(List(ControlId::kUnitList)->x() - freeSpaceSeen.x(),
                 units.ToPixelsX(71) - freeSpacePlace.x());
        QVERIFY(under->width() >= under->sizeHint().width());
        QVERIFY(freeSpaceSeen.x() - under->geometry().right() - 1 >= units.ToPixelsX(2));
        QVERIFY(
            List(ControlId::kUnitList)->geometry().right() <
            FindControl<QGroupBox>(dialog.get(), ControlId::kPicturesGroup)->geometry().right());
        // Check boxes keep their place and take more width only where the
        // font needs it, never beyond their group.
        const QRect deletePlace = units.ToPixels(6, 87, 69, 10);
        QRect deleteSeen = Check(ControlId::kDeleteCorrupted)->geometry();
        QCOMPARE(deleteSeen.topLeft(), deletePlace.topLeft());
        QCOMPARE(deleteSeen.height(), deletePlace.height());
        QVERIFY(deleteSeen.width() >= deletePlace.width());
        QVERIFY(deleteSeen.width() >= Check(ControlId::kDeleteCorrupted)->sizeHint().width());
        QVERIFY(
            deleteSeen.right() <
            FindControl<QGroupBox>(dialog.get(), ControlId::kPicturesGroup)->geometry().right());
        QCOMPARE(FindControl<QGroupBox>(dialog.get(), ControlId::kPicturesGroup)->geometry(),
                 units.ToPixels(1, 53, 105, 72));
        QCOMPARE(List(ControlId::kPortList)->geometry().topLeft(),
                 units.ToPixels(6, 9, 0, 0).topLeft());
        QCOMPARE(List(ControlId::kPortList)->width(), units.ToPixelsX(43));

        const QList<int> tabOrder{ControlId::kConnect,        ControlId::kExit,
                                  ControlId::kSpeedList,      ControlId::kContinuousCapture,
                                  ControlId::kLiveMode,       ControlId::kStatusLine,
                                  ControlId::kStop,           ControlId::kDisconnect,
                                  ControlId::kPortList,       ControlId::kFreeSpaceCheck,
                                  ControlId::kFreeSpaceValue, ControlId::kUnitList,
                                  ControlId::kDeleteCorrupted};
        QList<int> seen;
        QWidget* at = Button(ControlId::kConnect);
        do {
            bool isNumber = false;
            const int id = at->objectName().toInt(&isNumber);
            if (isNumber && at->parentWidget() == dialog.get() &&
                at->focusPolicy() != Qt::NoFocus) {
                seen.append(id);
            }
            at = at->nextInFocusChain();
        } while (at != Button(ControlId::kConnect) && seen.size() < 40);
        QCOMPARE(seen, tabOrder);
    }

    void missingLanguageShowsOneMessageAndStoresNothing_data() {
        QTest::addColumn<QString>("currentLanguage");
        QTest::newRow("no entry") << QString();
        QTest::newRow("the lookup's error text") << QString("eRRoR");
    }

    void missingLanguageShowsOneMessageAndStoresNothing() {
        QFETCH(QString, currentLanguage);
        environment.reset();
        environment =
            std::make_unique<DialogEnvironment>(TestTexts(), currentLanguage.toStdString());
        ModalWatcher watcher;
        dialog = std::make_unique<CZelnor2Dlg>(scripted::Procedures());
        QCOMPARE(dialog->exec(), int(QDialog::Rejected));
        QCOMPARE(watcher.Messages().size(), std::size_t{1});
        const SeenMessage& message = watcher.Messages().front();
        QCOMPARE(message.text, QString("Error current language not set"));
        QCOMPARE(message.title, ApplicationName());
        QCOMPARE(message.icon, QMessageBox::Warning);
        QCOMPARE(message.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(dialog->PictureWindow() == nullptr);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->windowTitle(), QString("Picture control"));
        QVERIFY(!environment->SettingsFileExists());
        QCOMPARE(scripted::StartCount(), 0);
    }

    void everyCellOfTheRefreshTable() {
        Open();
        VerifyIdle();
        const QRect connectPlace = Button(ControlId::kConnect)->geometry();
        const QRect livePlace = Button(ControlId::kLiveMode)->geometry();
        const QRect disconnectPlace = Button(ControlId::kDisconnect)->geometry();
        const QRect stopPlace = Button(ControlId::kStop)->geometry();

        // Not connected, worker runs: checked at once, before any tick.
        Click(ControlId::kConnect);
        QVERIFY(dialog->IsWorkerRunning());
        VerifyRunningInPlaceOf(ControlId::kConnect, connectPlace);
        // ...and the ticks keep it so.
        WaitForTicks(2);
        VerifyRunningInPlaceOf(ControlId::kConnect, connectPlace);

        // Connected, no worker.
        scripted::Release();
        QTRY_VERIFY(!Button(ControlId::kStop)->isVisible());
        VerifyConnectedIdle();
        scripted::Reset();

        // Connected, worker runs.
        Click(ControlId::kLiveMode);
        VerifyRunningInPlaceOf(ControlId::kLiveMode, livePlace);
        WaitForTicks(2);
        VerifyRunningInPlaceOf(ControlId::kLiveMode, livePlace);
        Click(ControlId::kStop);
        QTRY_VERIFY(!Button(ControlId::kStop)->isVisible());
        VerifyConnectedIdle();
        QCOMPARE(Button(ControlId::kLiveMode)->geometry(), livePlace);

        // Disconnecting: connected, then not, while the worker runs.
        Click(ControlId::kDisconnect);
        VerifyRunningInPlaceOf(ControlId::kDisconnect, disconnectPlace);
        scripted::Release();
        QTRY_VERIFY(!Button(ControlId::kStop)->isVisible());
        VerifyIdle();
        QTRY_COMPARE(Edit(ControlId::kStatusLine)->text(), QString("Line hung up"));
        // Stop keeps the place of the last button it stood in for.
        QCOMPARE(Button(ControlId::kStop)->geometry(), disconnectPlace);
        QVERIFY(Button(ControlId::kStop)->geometry() != stopPlace);
        QCOMPARE(scripted::MostRunningAtOnce(), 1);
    }

    void aFailedConnectReturnsToIdle() {
        Open();
        scripted::SetConnectSucceeds(false);
        Click(ControlId::kConnect);
        scripted::Release();
        QTRY_VERIFY(!Button(ControlId::kStop)->isVisible());
        VerifyIdle();
        QCOMPARE(dialog->IsConnected(), false);
    }

    void stopTakesThePlaceOfEachStartButton_data() {
        QTest::addColumn<int>("pressed");
        QTest::newRow("Connect") << ControlId::kConnect;
        QTest::newRow("Live Mode") << ControlId::kLiveMode;
        QTest::newRow("Get Continues JPEGs") << ControlId::kContinuousCapture;
        QTest::newRow("Disconnect") << ControlId::kDisconnect;
    }

    void stopTakesThePlaceOfEachStartButton() {
        QFETCH(int, pressed);
        Open();
        if (pressed != ControlId::kConnect) {
            Connect();
        }
        ModalWatcher watcher;
        watcher.AnswerFileDialogsWith(QString::fromStdString(environment->Folder() / "shot.jpg"));
        const QRect place = Button(pressed)->geometry();
        Click(pressed);
        VerifyRunningInPlaceOf(pressed, place);
        Click(ControlId::kStop);
        QTRY_VERIFY(!Button(ControlId::kStop)->isVisible());
        QVERIFY(Button(pressed)->isVisible());
        QCOMPARE(Button(pressed)->geometry(), place);
        QCOMPARE(scripted::StartCount(), 1);
        // Stop again after the worker has ended starts nothing (and reaches
        // no later run: see connectHandsOverPortAndSpeed).
        Button(ControlId::kStop)->click();
        QCOMPARE(scripted::StartCount(), 1);
    }

    // Enter is Connect and nothing else, whichever control has the focus;
    // the focus goes to Stop with the pressed button's place and comes back
    // when Stop goes, to the button that reappears or the first usable one.
    void enterTwiceNeverEndsTheDialogAndTheFocusFollowsStop() {
        Open();
        const auto pressKey = [this](Qt::Key key) {
            QWidget* focused = dialog->focusWidget();
            QTest::keyClick(focused != nullptr ? focused : dialog.get(), key);
        };
        QCOMPARE(dialog->focusWidget(), Button(ControlId::kConnect));
        pressKey(Qt::Key_Return);
        QTRY_COMPARE(scripted::StartCount(), 1);
        QCOMPARE(dialog->focusWidget(), Button(ControlId::kStop));
        pressKey(Qt::Key_Return);
        QVERIFY(dialog->isVisible());
        QCOMPARE(scripted::StartCount(), 1);
        scripted::Release();
        QTRY_VERIFY(dialog->IsConnected() && !Button(ControlId::kStop)->isVisible());
        // Connect is disabled now: the first usable command.
        QCOMPARE(dialog->focusWidget(), Button(ControlId::kDisconnect));
        pressKey(Qt::Key_Return);
        QVERIFY(dialog->isVisible());
        QCOMPARE(scripted::StartCount(), 1); // Enter did not disconnect

        scripted::Reset();
        Button(ControlId::kLiveMode)->setFocus();
        pressKey(Qt::Key_Space);
        QCOMPARE(dialog->focusWidget(), Button(ControlId::kStop));
        pressKey(Qt::Key_Space);
        QTRY_VERIFY(!Button(ControlId::kStop)->isVisible());
        QCOMPARE(dialog->focusWidget(), Button(ControlId::kLiveMode));
        pressKey(Qt::Key_Escape);
        QVERIFY(!dialog->isVisible());
    }

    void noSecondWorkerWhileOneRuns() {
        Open();
        Connect();
        Click(ControlId::kLiveMode);
        // Enter is the dialog's Connect command, and every button is a
        // command while it has the focus.
        QTest::keyClick(dialog.get(), Qt::Key_Return);
        for (int id : {ControlId::kConnect, ControlId::kDisconnect, ControlId::kLiveMode,
                       ControlId::kContinuousCapture}) {
            Button(id)->click();
        }
        WaitForTicks(2);
        QCOMPARE(scripted::StartCount(), 1);
        QCOMPARE(scripted::MostRunningAtOnce(), 1);
        QCOMPARE(scripted::LastStart().procedure, 3);
    }

    void connectHandsOverPortAndSpeed_data() {
        QTest::addColumn<int>("storedPort");
        QTest::addColumn<int>("storedSpeed");
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("speed");
        QTest::newRow("first start") << -2 << -2 << 1 << 9600;
        QTest::newRow("COM3 at the second speed") << 2 << 1 << 3 << 19200;
        QTest::newRow("speed text with a blank") << 7 << 2 << 8 << 38400;
        QTest::newRow("speed text without a number") << 0 << 3 << 1 << 0;
        QTest::newRow("port beyond the list") << 12 << 4 << 0 << 115200;
        QTest::newRow("nothing selected") << -1 << -1 << 0 << -1;
    }

    void connectHandsOverPortAndSpeed() {
        QFETCH(int, storedPort);
        QFETCH(int, storedSpeed);
        QFETCH(int, port);
        QFETCH(int, speed);
        if (storedPort != -2) {
            SettingsStore::WriteInt("Comunication", "Port", storedPort);
            SettingsStore::WriteInt("Comunication", "Baudrate", storedSpeed);
        }
        Open();
        Button(ControlId::kStop)->click(); // a stop while nothing runs
        Click(ControlId::kConnect);
        QTRY_COMPARE(scripted::StartCount(), 1);
        const WorkerStart start = scripted::LastStart();
        QCOMPARE(start.procedure, 1);
        QCOMPARE(start.port, port);
        QCOMPARE(start.speed, speed);
        QCOMPARE(start.stopRequested, false);
    }

    void liveModeShowsEachNewPicture() {
        Open();
        Connect();
        Click(ControlId::kLiveMode);
        QTRY_COMPARE(scripted::StartCount(), 1);
        const WorkerStart start = scripted::LastStart();
        QCOMPARE(start.procedure, 3);
        const std::string displayFile = platform::ExecutableFolder() + "ui-test-display.jpg";
        QCOMPARE(start.displayFileName, displayFile);

        CPictureDlg* picture = dialog->PictureWindow();
        QImage red(160, 120, QImage::Format_RGB32);
        red.fill(Qt::red);
        QVERIFY(red.save(QString::fromStdString(displayFile), "JPEG"));
        scripted::AnnouncePicture();
        QTRY_COMPARE(picture->pictureFile, QString::fromStdString(displayFile));
        const QColor centre = picture->grab().toImage().pixelColor(320, 240);
        QVERIFY2(centre.red() > 200, qPrintable(centre.name()));
        QFile::remove(QString::fromStdString(displayFile));
    }

    void aPictureAnnouncedByAWorkerIsTakenWithoutWaitingForTheTick() {
        Open();
        const std::string displayFile = environment->Folder() / "announced.jpg";
        QVERIFY(dialog->Context().SetDisplayFileName(displayFile));
        // As a picture worker tells of one, from a thread of its own.
        DialogRunListener listener(*dialog, dialog->Context(), transfer::RunKind::Live);
        std::thread worker([&listener, displayFile] {
            transfer::PictureStored picture;
            picture.file = displayFile;
            picture.picture = std::make_shared<transfer::Picture>();
            listener.OnRunEvent(picture);
        });
        worker.join();
        // Only what was queued runs here, no timer.
        QCoreApplication::sendPostedEvents(dialog.get(), QEvent::MetaCall);
        QCOMPARE(dialog->PictureWindow()->pictureFile, QString::fromStdString(displayFile));
    }

    // Events reach the dialog on its own thread, in order; of progress that
    // came faster than the dialog took it, the status line shows the newest.
    void progressFasterThanTheDialogTakesItShowsOnlyTheNewest() {
        Open();
        QLineEdit* status = Edit(ControlId::kStatusLine);
        const QSignalSpy shown(status, &QLineEdit::textChanged);
        DialogRunListener listener(*dialog, dialog->Context(), transfer::RunKind::Live);
        std::thread worker([&listener] {
            listener.OnRunEvent(transfer::WaitingForHeader{});
            for (std::uint32_t stored = 256; stored <= 25600; stored += 256) {
                listener.OnRunEvent(transfer::Progress{320, 240, stored, 25600});
            }
            listener.OnRunEvent(transfer::WaitingForHeader{});
            listener.OnRunEvent(transfer::Progress{160, 120, 512, 4096});
        });
        worker.join();
        // Nothing is shown off the dialog's thread.
        QCOMPARE(status->text(), QString());
        // Only what was queued runs here, no timer.
        QCoreApplication::sendPostedEvents(dialog.get(), QEvent::MetaCall);
        QCOMPARE(status->text(), QString("Pic 160x120, 512 of 4096 bytes read"));
        QCOMPARE(shown.count(), 4);
        QCOMPARE(shown.at(1).at(0).toString(), QString("Pic 320x240, 25600 of 25600 bytes read"));
    }

    // The picture runs open their port at the speed the link was connected
    // at, which the dialog keeps, whatever the speed list shows meanwhile.
    void theConnectedSpeedGoesIntoThePictureRuns() {
        SettingsStore::WriteInt("Comunication", "Baudrate", 1);
        Open();
        Connect();
        QCOMPARE(dialog->ConnectedSpeed(), 19200);
        List(ControlId::kSpeedList)->setCurrentIndex(4);
        Click(ControlId::kLiveMode);
        QTRY_COMPARE(scripted::StartCount(), 1);
        QCOMPARE(scripted::LastStart().speed, 19200);
        Click(ControlId::kStop);
        QTRY_VERIFY(!dialog->IsWorkerRunning());
        Click(ControlId::kDisconnect);
        scripted::Release();
        QTRY_VERIFY(!dialog->IsConnected());
        QCOMPARE(dialog->ConnectedSpeed(), 0);
    }

    void comingBackToTheDialogReloadsThePicture() {
        Open();
        dialog->PictureWindow()->pictureFile = "stale.jpg";
        dialog->PictureWindow()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog->PictureWindow()));
        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
        // No picture has arrived, so the window is given an empty name.
        QTRY_COMPARE(dialog->PictureWindow()->pictureFile, QString());
    }

    void theCaptureFileDialog() {
        environment.reset();
        auto texts = TestTexts();
        texts["STRING_IDS_SAVE_JPEG_TITLE"] = std::string(300, 't');
        environment = std::make_unique<DialogEnvironment>(texts);
        Open();
        Connect();
        ModalWatcher watcher;
        Click(ControlId::kContinuousCapture);
        QTRY_COMPARE(watcher.FileDialogs().size(), std::size_t{1});
        const SeenFileDialog& seen = watcher.FileDialogs().front();
        QCOMPARE(seen.title, QString(259, 't'));
        QCOMPARE(seen.nameFilters, QStringList({"JPEG pictures (*.jpg *.jpeg)", "All files (*)"}));
        QCOMPARE(seen.defaultSuffix, QString("jpg"));
        QVERIFY(!seen.confirmsOverwrite);
        QCOMPARE(seen.acceptMode, QFileDialog::AcceptSave);
        QCOMPARE(QDir(seen.directory).canonicalPath(),
                 QDir(QString::fromStdString(platform::ExecutableFolder())).canonicalPath());
        // Cancelled: nothing happens.
        WaitForTicks(1);
        QCOMPARE(scripted::StartCount(), 0);
        VerifyConnectedIdle();
    }

    void captureHandsOverPathsAndLimit_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("unit");
        QTest::addColumn<bool>("checkFreeSpace");
        QTest::addColumn<bool>("deleteCorrupted");
        QTest::addColumn<uint>("limit");
        QTest::newRow("defaults") << "1024" << 1 << false << false << 1024u * 1048576u;
        QTest::newRow("5000 MB is capped") << "5000" << 1 << true << false << 4095u * 1048576u;
        QTest::newRow("KB") << "300" << 0 << false << true << 300u * 1024u;
        QTest::newRow("zero") << "0" << 1 << true << true << 0u;
    }

    void captureHandsOverPathsAndLimit() {
        QFETCH(QString, value);
        QFETCH(int, unit);
        QFETCH(bool, checkFreeSpace);
        QFETCH(bool, deleteCorrupted);
        QFETCH(uint, limit);
        Open();
        Connect();
        Edit(ControlId::kFreeSpaceValue)->setText(value);
        List(ControlId::kUnitList)->setCurrentIndex(unit);
        Check(ControlId::kFreeSpaceCheck)->setChecked(checkFreeSpace);
        Check(ControlId::kDeleteCorrupted)->setChecked(deleteCorrupted);
        ModalWatcher watcher;
        StartCapture(watcher);
        QTRY_COMPARE(scripted::StartCount(), 1);
        const WorkerStart start = scripted::LastStart();
        QCOMPARE(start.procedure, 4);
        QCOMPARE(start.captureBasePath, environment->Folder() / "shot.jpg");
        // Without a folder: in this mode the display file lies in the
        // current folder.
        QCOMPARE(start.displayFileName, std::string("ui-test-display.jpg"));
        QCOMPARE(start.freeSpaceLimit, limit);
        QCOMPARE(start.checkFreeSpace, checkFreeSpace ? 1 : 0);
        QCOMPARE(start.deleteCorrupted, deleteCorrupted ? 1 : 0);
        QCOMPARE(start.stopRequested, false);
        QVERIFY(watcher.Messages().empty());
    }

    void captureWithAnEmptyEditUsesTheLastValidValue() {
        Open();
        Connect();
        QLineEdit* edit = Edit(ControlId::kFreeSpaceValue);
        edit->setText("7");
        WaitForTicks(1); // a tick takes the 7
        // The operator reads the message for a while; the timer ticks on
        // behind it and must not raise the same message again.
        ModalWatcher watcher(450);
        watcher.AnswerFileDialogsWith(QString::fromStdString(environment->Folder() / "shot.jpg"));
        edit->clear();
        Button(ControlId::kContinuousCapture)->click();
        QCOMPARE(watcher.Messages().size(), std::size_t{1});
        QCOMPARE(watcher.MostOpenAtOnce(), 1);
        QCOMPARE(watcher.Messages().front().text, QString("Please enter a positive integer."));
        QCOMPARE(watcher.FileDialogs().size(), std::size_t{1});
        QTRY_COMPARE(scripted::StartCount(), 1);
        QCOMPARE(scripted::LastStart().freeSpaceLimit, 7u * 1048576u);
        QCOMPARE(edit->text(), QString("7"));
        WaitForTicks(2);
        QCOMPARE(watcher.Messages().size(), std::size_t{1});
    }

    void freeSpaceEditRules_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("leading zeros") << "0012"
                                       << "12";
        QTest::newRow("eleven nines") << "99999999999"
                                      << "4294967295";
        QTest::newRow("letters are not taken") << "4a0"
                                               << "40";
    }

    void freeSpaceEditRules() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        Open();
        QLineEdit* edit = Edit(ControlId::kFreeSpaceValue);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, typed);
        // The number is read as the operator leaves the field.
        QTest::keyClick(edit, Qt::Key_Tab);
        QTRY_COMPARE(edit->text(), shown);
    }

    void anEmptyEditIsReportedOnceWhenLeftAndTheLastValueComesBack() {
        Open();
        // The operator takes a while to read the message: several ticks
        // pass meanwhile.
        ModalWatcher watcher(450);
        QLineEdit* edit = Edit(ControlId::kFreeSpaceValue);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        // Cleared to type another number: not an error while being edited.
        WaitForTicks(2);
        QCOMPARE(watcher.Messages().size(), std::size_t{0});
        QCOMPARE(edit->text(), QString());
        QTest::keyClick(edit, Qt::Key_Tab);
        QTRY_COMPARE(watcher.Messages().size(), std::size_t{1});
        const SeenMessage message = watcher.Messages().front();
        QCOMPARE(message.text, QString("Please enter a positive integer."));
        QCOMPARE(message.icon, QMessageBox::Warning);
        QCOMPARE(message.title, ApplicationName());
        QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
        WaitForTicks(4);
        QCOMPARE(watcher.Messages().size(), std::size_t{1});
        QCOMPARE(watcher.MostOpenAtOnce(), 1);
        QCOMPARE(edit->text(), QString("1024"));
        QCOMPARE(edit->selectedText(), QString("1024"));
        QCOMPARE(dialog->focusWidget(), edit);
    }

    void settingsAreStoredAtExitAndReadAtTheNextStart_data() {
        QTest::addColumn<QPoint>("mainPlace");
        QTest::addColumn<QPoint>("picturePlace");
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("speed");
        QTest::newRow("plain") << QPoint(300, 200) << QPoint(520, 200) << 4 << 2;
        QTest::newRow("left screen") << QPoint(-1200, 40) << QPoint(-500, -30) << 7 << 4;
        QTest::newRow("minus one") << QPoint(-1, -1) << QPoint(-1, 700) << 0 << 0;
        QTest::newRow("equal x and y") << QPoint(50, 50) << QPoint(900, 10) << 1 << 3;
    }

    void settingsAreStoredAtExitAndReadAtTheNextStart() {
        QFETCH(QPoint, mainPlace);
        QFETCH(QPoint, picturePlace);
        QFETCH(int, port);
        QFETCH(int, speed);
        Open();
        dialog->move(mainPlace);
        dialog->PictureWindow()->move(picturePlace);
        List(ControlId::kPortList)->setCurrentIndex(port);
        List(ControlId::kSpeedList)->setCurrentIndex(speed);
        QPointer<CPictureDlg> picture = dialog->PictureWindow();
        Exit();
        QVERIFY(picture.isNull());
        QVERIFY(dialog->PictureWindow() == nullptr);
        QCOMPARE(Stored("WindowsPlaces", "MainX"), mainPlace.x());
        QCOMPARE(Stored("WindowsPlaces", "MainY"), mainPlace.y());
        QCOMPARE(Stored("WindowsPlaces", "PictureX"), picturePlace.x());
        QCOMPARE(Stored("WindowsPlaces", "PictureY"), picturePlace.y());
        QCOMPARE(Stored("Comunication", "Port"), port);
        QCOMPARE(Stored("Comunication", "Baudrate"), speed);

        dialog.reset();
        Open();
        QCOMPARE(mainPlaceAtShow, mainPlace);
        QCOMPARE(picturePlaceAtShow, picturePlace);
        QCOMPARE(List(ControlId::kPortList)->currentIndex(), port);
        QCOMPARE(List(ControlId::kSpeedList)->currentIndex(), speed);
    }

    void aPortOutsideTheListIsKeptAsNoSelection() {
        SettingsStore::WriteInt("Comunication", "Port", 12);
        Open();
        QCOMPARE(List(ControlId::kPortList)->currentIndex(), -1);
        Exit();
        QCOMPARE(Stored("Comunication", "Port"), -1);
        dialog.reset();
        Open();
        QCOMPARE(List(ControlId::kPortList)->currentIndex(), -1);
    }

    void eachPortEntryNamesItsDeviceWhenTheListOpens() {
        const auto& folder = environment->Folder();
        QVERIFY(QDir().mkpath(QString::fromStdString(folder / "ports")));
        const testsupport::ScopedEnvironment ports("ZELNOR2_PORTS", folder / "ports");
        testsupport::WriteFile(folder / "ttyUSB0", "");
        QVERIFY(QFile::link(QString::fromStdString(folder / "ttyUSB0"),
                            QString::fromStdString(folder / "ports/COM2")));
        QVERIFY(QFile::link(QString::fromStdString(folder / "ttyACM0"),
                            QString::fromStdString(folder / "ports/COM3")));
        Open();
        QComboBox* list = List(ControlId::kPortList);
        const auto tip = [list](int at) { return list->itemData(at, Qt::ToolTipRole).toString(); };
        QCOMPARE(tip(1), QString::fromStdString(folder / "ttyUSB0"));
        QCOMPARE(tip(2), QString::fromStdString(folder / "ttyACM0") + " (not present)");
        QCOMPARE(tip(3),
                 QString("/dev/ttyS3") + (QFile::exists("/dev/ttyS3") ? "" : " (not present)"));

        testsupport::WriteFile(folder / "ttyACM0", "");
        list->showPopup();
        QCOMPARE(tip(2), QString::fromStdString(folder / "ttyACM0"));
        list->hidePopup();
    }

    void exitDuringACaptureWaitsForTheWorker_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("Exit") << "exit";
        QTest::newRow("Escape") << "escape";
        QTest::newRow("close box") << "close";
    }

    void exitDuringACaptureWaitsForTheWorker() {
        QFETCH(QString, how);
        Open();
        Connect();
        ModalWatcher watcher;
        StartCapture(watcher);
        QTRY_COMPARE(scripted::RunningCount(), 1);
        // The worker takes its time to end after the stop request.
        scripted::SetStopDelay(300);
        QVERIFY(!environment->SettingsFileExists());
        if (how == "exit") {
            Click(ControlId::kExit);
        } else if (how == "escape") {
            QTest::keyClick(dialog.get(), Qt::Key_Escape);
        } else {
            QVERIFY(dialog->close());
        }
        // Back from the command only after the worker has ended.
        QCOMPARE(scripted::RunningCount(), 0);
        QVERIFY(!dialog->IsWorkerRunning());
        QVERIFY(!dialog->isVisible());
        QVERIFY(dialog->PictureWindow() == nullptr);
        QCOMPARE(Stored("Comunication", "Port"), 0);
        QCOMPARE(Stored("WindowsPlaces", "MainX"), 0);
    }

    void aCapturePathThatDoesNotFitIsRefused_data() {
        QTest::addColumn<QString>("languageText");
        QTest::addColumn<QString>("shown");
        QTest::newRow("language file with the text") << "Capture path too long here"
                                                     << "Capture path too long here";
        QTest::newRow("older language file") << ""
                                             << "Error: the capture path is too long";
    }

    void aCapturePathThatDoesNotFitIsRefused() {
        QFETCH(QString, languageText);
        QFETCH(QString, shown);
        if (!languageText.isEmpty()) {
            environment.reset();
            auto texts = TestTexts();
            texts["STRING_IDS_CAPTURE_PATH_LONG"] = languageText.toStdString();
            environment = std::make_unique<DialogEnvironment>(texts);
        }
        Open();
        Connect();
        ModalWatcher watcher;
        // Far beyond the longest path the system takes.
        QString path = QString::fromStdString(environment->Folder().Path());
        while (path.size() < 5000) {
            path += "/" + QString(100, 'd');
        }
        watcher.AnswerFileDialogsWith(path + "/shot.jpg");
        Click(ControlId::kContinuousCapture);
        QCOMPARE(watcher.FileDialogs().size(), std::size_t{1});
        QCOMPARE(scripted::StartCount(), 0);
        VerifyConnectedIdle();
        QTRY_COMPARE(Edit(ControlId::kStatusLine)->text(), shown);
    }

    void theContextMenuOffersAbout() {
        Open();
        QSignalSpy about(dialog.get(), &CZelnor2Dlg::aboutRequested);
        QStringList offered;
        QTimer::singleShot(50, [&offered] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr) {
                return;
            }
            for (QAction* action : menu->actions()) {
                offered.append(action->text());
            }
            menu->actions().constFirst()->trigger();
            menu->close();
        });
        const QPoint inside(5, dialog->height() - 5);
        QContextMenuEvent event(QContextMenuEvent::Mouse, inside, dialog->mapToGlobal(inside));
        QCoreApplication::sendEvent(dialog.get(), &event);
        QCOMPARE(offered, QStringList{"&About Karvo..."});
        QCOMPARE(about.count(), 1);
    }
};

QTEST_MAIN(MainDialogTest)
#include "tst_maindialog.moc"
