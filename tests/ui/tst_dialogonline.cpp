// The dialog with the real workers on a pseudo-terminal line, the camera
// simulator playing the camera at the far end.
#include "CameraPlayer.h"
#include "ColourNear.h"
#include "DialogEnvironment.h"
#include "ModalWatcher.h"
#include "picture/CPictureDlg.h"
#include "platform/ExecutablePath.h"
#include "tests/support/LinkedPort.h"
#include "tests/support/TempDir.h"
#include "transfer/ConnectSemaphore.h"
#include "ui/CZelnor2Dlg.h"
#include "ui/ControlIds.h"
#include "ui/SettingsStore.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>

using namespace uitest;

namespace {

constexpr int kWait = 10000;

std::map<std::string, std::string> OnlineTexts() {
    auto texts = TestTexts();
    // Apart from the display file of the other dialog tests, which may run
    // at the same time beside the same executable.
    texts["STRING_IDS_TEMP_JPG"] = "ui-online-display.jpg";
    return texts;
}

bool Near(QColor seen, QColor expected) {
    return ColourNear(seen, expected, 48);
}

} // namespace

class DialogOnlineTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<DialogEnvironment> environment;
    std::unique_ptr<testsupport::LinkedPort> line;
    std::unique_ptr<CZelnor2Dlg> dialog;

    QPushButton* Button(int id) const { return FindButton(dialog.get(), id); }
    QComboBox* List(int id) const { return FindControl<QComboBox>(dialog.get(), id); }
    QString Status() const {
        return FindControl<QLineEdit>(dialog.get(), ControlId::kStatusLine)->text();
    }
    void Click(int id) { QTest::mouseClick(Button(id), Qt::LeftButton); }

    void Open() {
        dialog = std::make_unique<CZelnor2Dlg>();
        QVERIFY(dialog->Initialise());
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    }

    // Which buttons the operator can press, and whether Stop stands in for
    // one of them.
    QString Buttons() const {
        QStringList usable;
        const std::pair<int, const char*> named[] = {
            {ControlId::kConnect, "Connect"}, {ControlId::kDisconnect, "Disconnect"},
            {ControlId::kLiveMode, "Live"},   {ControlId::kContinuousCapture, "Capture"},
            {ControlId::kStop, "Stop"},       {ControlId::kPortList, "ports"},
            {ControlId::kSpeedList, "speeds"}};
        for (const auto& [id, name] : named) {
            QWidget* control = dialog->findChild<QWidget*>(ControlObjectName(id));
            if (control->isVisible() && control->isEnabled()) {
                usable.append(name);
            }
        }
        return usable.join(' ');
    }

    void WaitUntilConnected() {
        QTRY_COMPARE_WITH_TIMEOUT(dialog->IsConnected(), true, kWait);
        QTRY_COMPARE_WITH_TIMEOUT(Buttons(), QString("Disconnect Live Capture"), kWait);
    }

    // Opens the dialog, connects on COM1 at 115200 bit/s and starts a capture
    // to base, which the operator picks in the file dialog.
    void StartCaptureAt115200(ModalWatcher& watcher, const std::string& base) {
        Open();
        List(ControlId::kPortList)->setCurrentIndex(0);
        List(ControlId::kSpeedList)->setCurrentIndex(4);
        Click(ControlId::kConnect);
        WaitUntilConnected();
        QCOMPARE(dialog->ConnectedSpeed(), 115200);
        watcher.AnswerFileDialogsWith(QString::fromStdString(base));
        Click(ControlId::kContinuousCapture);
        QTRY_COMPARE(Buttons(), QString("Stop"));
    }

    void SaveScreenshot(QWidget* window, const char* name) {
        QDir().mkpath(ZELNOR2_SCREENSHOT_DIR);
        const QString path = QString(ZELNOR2_SCREENSHOT_DIR) + "/" + name;
        QVERIFY2(window->grab().save(path, "PNG"), qPrintable(path));
    }

private slots:
    void init() {
        environment = std::make_unique<DialogEnvironment>(OnlineTexts());
        line = std::make_unique<testsupport::LinkedPort>(1);
    }

    void cleanup() {
        dialog.reset();
        line.reset();
        environment.reset();
        QFile::remove(QString::fromStdString(platform::ExecutableFolder()) +
                      "ui-online-display.jpg");
    }

    void connectLiveStopDisconnect() {
        Open();
        QCOMPARE(Buttons(), QString("Connect ports speeds"));

        // Held at the connect check: not connected, the worker runs.
        ConnectSemaphore().acquire();
        Click(ControlId::kConnect);
        QTest::qWait(300);
        const bool heldState =
            Buttons() == "Stop" && dialog->IsWorkerRunning() &&
            Button(ControlId::kStop)->geometry() == Button(ControlId::kConnect)->geometry();
        ConnectSemaphore().release();
        QVERIFY(heldState);
        WaitUntilConnected();
        QCOMPARE(dialog->ConnectedSpeed(), 9600);

        // Live: connected, the worker runs, each picture reaches the window.
        Click(ControlId::kLiveMode);
        QCOMPARE(Buttons(), QString("Stop"));
        CameraPlayer camera(line->Master(), TestCardPicture(320, 240));
        CPictureDlg* picture = dialog->PictureWindow();
        const QString displayFile =
            QString::fromStdString(platform::ExecutableFolder()) + "ui-online-display.jpg";
        QTRY_COMPARE_WITH_TIMEOUT(picture->pictureFile, displayFile, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(camera.Completed() >= 2, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(
            Status().startsWith("Pic 320x240") || Status().startsWith("Waiting"), kWait);
        const QImage shown = picture->grab().toImage();
        QCOMPARE(shown.size(), QSize(640, 480));
        // The test card's colour bands, stretched over the whole window.
        QVERIFY(Near(shown.pixelColor(40, 40), Qt::white));
        QVERIFY(Near(shown.pixelColor(600, 40), Qt::black));
        QVERIFY(Near(shown.pixelColor(600, 300), Qt::black));
        QVERIFY(Near(shown.pixelColor(20, 460), Qt::black));
        QVERIFY(Near(shown.pixelColor(620, 460), Qt::white));

        // What the operator sees; the status line shows the transfer.
        QTRY_VERIFY_WITH_TIMEOUT(Status().startsWith("Pic 320x240"), kWait);
        SaveScreenshot(dialog.get(), "main-dialog.png");
        SaveScreenshot(picture, "picture-window.png");

        camera.Stop();
        Click(ControlId::kStop);
        QTRY_COMPARE_WITH_TIMEOUT(Buttons(), QString("Disconnect Live Capture"), kWait);
        QVERIFY(!dialog->IsWorkerRunning());

        Click(ControlId::kDisconnect);
        QTRY_COMPARE_WITH_TIMEOUT(Buttons(), QString("Connect ports speeds"), kWait);
        QCOMPARE(dialog->IsConnected(), false);
        QTRY_COMPARE(Status(), QString("Line hung up"));
    }

    void captureIntoNumberedFilesThenExitWhileCapturing() {
        ModalWatcher watcher;
        StartCaptureAt115200(watcher, environment->Folder() / "shot.jpg");
        CameraPlayer camera(line->Master(), TestCardPicture(160, 120));
        QTRY_VERIFY_WITH_TIMEOUT(camera.Completed() >= 2, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(
            QFile::exists(QString::fromStdString(environment->Folder() / "shot00000001.jpg")),
            kWait);
        QVERIFY(QFile::exists(QString::fromStdString(environment->Folder() / "shot00000000.jpg")));
        // In capture the display file lies in the current folder.
        QTRY_COMPARE_WITH_TIMEOUT(dialog->PictureWindow()->pictureFile,
                                  QString("ui-online-display.jpg"), kWait);
        QVERIFY(
            QFile::exists(QString::fromStdString(environment->Folder() / "ui-online-display.jpg")));

        // Exit while the capture runs: the dialog waits for the worker,
        // then stores its settings.
        QVERIFY(!environment->SettingsFileExists());
        Click(ControlId::kExit);
        QVERIFY(!dialog->IsWorkerRunning());
        QVERIFY(!dialog->isVisible());
        camera.Stop();
        QCOMPARE(SettingsStore::ReadInt("Comunication", "Port", -9), 0);
        QCOMPARE(SettingsStore::ReadInt("Comunication", "Baudrate", -9), 4);
        QCOMPARE(SettingsStore::ReadInt("WindowsPlaces", "MainX", -9), 0);
    }

    // The operator picks a name used before: the capture goes on after the
    // pictures of the earlier capture and leaves them as they are.
    void aCaptureUnderANameUsedBeforeKeepsTheEarlierPictures() {
        const std::string earlier[] = {environment->Folder() / "shot00000000.jpg",
                                       environment->Folder() / "shot00000001.jpg"};
        for (const std::string& file : earlier) {
            testsupport::WriteFile(file, "a picture of an earlier capture");
        }
        ModalWatcher watcher;
        StartCaptureAt115200(watcher, environment->Folder() / "shot.jpg");
        CameraPlayer camera(line->Master(), TestCardPicture(160, 120));
        QTRY_VERIFY_WITH_TIMEOUT(camera.Completed() >= 2, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(
            QFile::exists(QString::fromStdString(environment->Folder() / "shot00000003.jpg")),
            kWait);
        Click(ControlId::kStop);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog->IsWorkerRunning(), kWait);
        camera.Stop();
        for (const std::string& file : earlier) {
            QCOMPARE(testsupport::ReadFile(file), std::string("a picture of an earlier capture"));
        }
        QVERIFY(QFile::exists(QString::fromStdString(environment->Folder() / "shot00000002.jpg")));
    }

    void aPortThatDoesNotOpenLeavesTheDialogIdle() {
        line->LinkAlso(5, environment->Folder() / "no-such-device");
        Open();
        List(ControlId::kPortList)->setCurrentIndex(4);
        Click(ControlId::kConnect);
        QTRY_COMPARE_WITH_TIMEOUT(Buttons(), QString("Connect ports speeds"), kWait);
        QCOMPARE(dialog->IsConnected(), false);
        // The operator learns why, in the words the program without a
        // window uses.
        // The status line follows once the dialog has taken the end.
        QTRY_COMPARE_WITH_TIMEOUT(
            Status(),
            QString::fromStdString("COM5 (" + (environment->Folder() / "no-such-device") +
                                   "): No such file or directory"),
            kWait);
    }

    // The adapter is pulled during live mode and plugged back in as another
    // device: the status line says so, Stop stays at hand, and the pictures
    // come again.
    void aLostLineIsShownAndLiveModeGoesOnWhenItIsBack() {
        Open();
        Click(ControlId::kConnect);
        WaitUntilConnected();
        Click(ControlId::kLiveMode);
        {
            CameraPlayer camera(line->Master(), TestCardPicture(160, 120));
            QTRY_VERIFY_WITH_TIMEOUT(camera.Completed() >= 1, kWait);
            camera.Stop();
        }
        const std::string pulled = line->SlavePath();
        line->Unplug();
        QTRY_VERIFY_WITH_TIMEOUT(
            Status().startsWith(QString::fromStdString(
                "Line lost, opening the port again every half second: COM1 (" + pulled + "): ")),
            kWait);
        QCOMPARE(Buttons(), QString("Stop"));
        dialog->PictureWindow()->pictureFile.clear();

        line->PlugBack();
        QTRY_COMPARE_WITH_TIMEOUT(Status(), QString("Waiting for valid header..."), kWait);
        CameraPlayer camera(line->Master(), TestCardPicture(160, 120));
        QTRY_VERIFY_WITH_TIMEOUT(!dialog->PictureWindow()->pictureFile.isEmpty(), kWait);
        camera.Stop();
        Click(ControlId::kStop);
        QTRY_COMPARE_WITH_TIMEOUT(Buttons(), QString("Disconnect Live Capture"), kWait);
    }
};

QTEST_MAIN(DialogOnlineTest)
#include "tst_dialogonline.moc"
