// Start-up: the client options, the program's name taken from its file, the
// settings location, the start without a display, and Exit while a client
// holds the program.
#include "DialogEnvironment.h"
#include "tests/support/TempDir.h"
#include "ui/CZelnor2App.h"
#include "ui/CZelnor2Dlg.h"
#include "ui/ClientOptions.h"
#include "ui/ControlIds.h"
#include "version/Version.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace uitest;

// Nothing on this platform creates the object through which a client holds
// the program; the test stands in for it.
class CZelnor2DlgAutoProxy {};

namespace {

using Arguments = std::vector<std::string>;

struct Finished {
    int exitCode = -1;
    bool crashed = true;
    QString output;
    QString errors;
};

Finished RunProgram(const QString& program, const QStringList& arguments,
                    const QProcessEnvironment& environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Finished finished;
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
        finished.errors = "did not end";
        return finished;
    }
    finished.exitCode = process.exitCode();
    finished.crashed = process.exitStatus() != QProcess::NormalExit;
    finished.output = QString::fromLocal8Bit(process.readAllStandardOutput());
    finished.errors = QString::fromLocal8Bit(process.readAllStandardError());
    return finished;
}

// The environment of a start without any window system.
QProcessEnvironment WithoutDisplay() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    environment.remove("QT_QPA_PLATFORM");
    return environment;
}

// Whether the process has its own handler for the signal (SigCgt in its
// status): then a signal sent to it is handled, not fatal.
bool Catches(qint64 pid, int signalNumber) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("SigCgt:", 0) == 0) {
            const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
            return (mask >> (signalNumber - 1) & 1) != 0;
        }
    }
    return false;
}

void CopyExecutable(const QString& from, const QString& to) {
    QVERIFY2(QFile::copy(from, to), qPrintable(to));
    QVERIFY(QFile::setPermissions(to, QFile::permissions(to) | QFileDevice::ExeOwner));
}

} // namespace

class ApplicationTest : public QObject {
    Q_OBJECT

private:
    const QString program = ZELNOR2_PROGRAM;
    const QString languageFile = ZELNOR2_LANGUAGE_FILE;

private slots:
    void clientOptions_data() {
        QTest::addColumn<Arguments>("arguments");
        QTest::addColumn<bool>("forClient");
        QTest::addColumn<Arguments>("remaining");

        QTest::newRow("absent") << Arguments{} << false << Arguments{};
        QTest::newRow("others only")
            << Arguments{"-style", "fusion"} << false << Arguments{"-style", "fusion"};
        QTest::newRow("/Automation") << Arguments{"/Automation"} << true << Arguments{};
        QTest::newRow("-Automation") << Arguments{"-Automation"} << true << Arguments{};
        QTest::newRow("-Embedding") << Arguments{"-Embedding"} << true << Arguments{};
        QTest::newRow("/Embedding among others")
            << Arguments{"-style", "/Embedding", "fusion"} << true << Arguments{"-style", "fusion"};
        QTest::newRow("other letter case") << Arguments{"-automation", "/EMBEDDING"} << false
                                           << Arguments{"-automation", "/EMBEDDING"};
        QTest::newRow("without sign")
            << Arguments{"Automation"} << false << Arguments{"Automation"};
        QTest::newRow("cut short") << Arguments{"-Automatio"} << false << Arguments{"-Automatio"};
        QTest::newRow("longer word") << Arguments{"-Automationfoo"} << true << Arguments{"foo"};
        QTest::newRow("inside an argument") << Arguments{"x/Embeddingy"} << true << Arguments{"xy"};
        QTest::newRow("double hyphen") << Arguments{"--Embedding"} << true << Arguments{"-"};
        QTest::newRow("Embedding wins, Automation stays")
            << Arguments{"-Automation", "-Embedding"} << true << Arguments{"-Automation"};
        QTest::newRow("only the first one goes")
            << Arguments{"-Automation", "/Automation"} << true << Arguments{"/Automation"};
        QTest::newRow("a path given to a headless option")
            << Arguments{"--capture", "/home/me/Automation/shot.jpg", "--port", "1"} << false
            << Arguments{"--capture", "/home/me/Automation/shot.jpg", "--port", "1"};
        QTest::newRow("beside headless options")
            << Arguments{"--live", "/tmp/Embedding.jpg", "-Embedding"} << true
            << Arguments{"--live", "/tmp/Embedding.jpg"};
    }

    void clientOptions() {
        QFETCH(Arguments, arguments);
        QFETCH(bool, forClient);
        QFETCH(Arguments, remaining);
        const ClientStart start = RecogniseClientOptions(arguments);
        QCOMPARE(start.forClient, forClient);
        QCOMPARE(start.arguments, remaining);
    }

    void theStartRoutineKeepsTheMark_data() {
        QTest::addColumn<QByteArray>("option");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("forClient");
        // Taken out before the headless options are read, so the version is
        // shown; in other letter case it is an unknown option.
        QTest::newRow("-Automation") << QByteArray("-Automation") << 0 << true;
        QTest::newRow("/Embedding") << QByteArray("/Embedding") << 0 << true;
        QTest::newRow("-automation") << QByteArray("-automation") << 64 << false;
    }

    void theStartRoutineKeepsTheMark() {
        QFETCH(QByteArray, option);
        QFETCH(int, status);
        QFETCH(bool, forClient);
        {
            CZelnor2App application;
            char name[] = "Zelnor2";
            char version[] = "--version";
            char* argv[] = {name, option.data(), version, nullptr};
            QCOMPARE(application.Run(3, argv), status);
            QCOMPARE(CZelnor2App::StartedForClient(), forClient);
        }
        QVERIFY(!CZelnor2App::StartedForClient());
    }

    void theProgramTakesTheClientOptionsOutFirst() {
        const QProcessEnvironment environment = WithoutDisplay();
        for (const QString option : {"-Embedding", "/Automation"}) {
            const Finished run = RunProgram(program, {option, "--version"}, environment);
            QVERIFY2(run.exitCode == 0 && run.output == QString("Zelnor2 %1\n").arg(kVersion),
                     qPrintable(QString("%1: status %2, output %3, errors %4")
                                    .arg(option)
                                    .arg(run.exitCode)
                                    .arg(run.output, run.errors)));
        }
        const Finished wrongCase = RunProgram(program, {"-embedding", "--version"}, environment);
        QCOMPARE(wrongCase.exitCode, 64);
        QVERIFY2(wrongCase.errors.contains("unknown option -embedding"),
                 qPrintable(wrongCase.errors));
    }

    void withoutADisplayTheProgramSaysSoAndEnds() {
        const Finished run = RunProgram(program, {}, WithoutDisplay());
        QVERIFY(!run.crashed);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.errors,
                 QString("Zelnor2: cannot open a window: no display (DISPLAY is not set); run "
                         "with --capture or --live without a window, or under xvfb-run\n"));
        QCOMPARE(run.output, QString());
        // A client option does not change that.
        const Finished forClient = RunProgram(program, {"-Embedding"}, WithoutDisplay());
        QCOMPARE(forClient.exitCode, 1);
        QVERIFY(forClient.errors.contains("no display"));
    }

    void aDisplayThatCannotBeReachedEndsWithAMessage_data() {
        QTest::addColumn<QString>("wayland");
        QTest::addColumn<QString>("named");
        QTest::newRow("X11") << QString() << "QT_QPA_PLATFORM=xcb, DISPLAY=:7391";
        // A Wayland session that offers X11 too: the windows go on X11, where
        // the program places them itself.
        QTest::newRow("Wayland and X11")
            << "wayland-7391"
            << "QT_QPA_PLATFORM=xcb, WAYLAND_DISPLAY=wayland-7391, DISPLAY=:7391";
    }

    void aDisplayThatCannotBeReachedEndsWithAMessage() {
        QFETCH(QString, wayland);
        QFETCH(QString, named);
        testsupport::TempDir home;
        QProcessEnvironment environment = WithoutDisplay();
        // A display number that no X server here answers.
        environment.insert("DISPLAY", ":7391");
        environment.insert("XAUTHORITY", QString::fromStdString(home / "no-authority"));
        if (!wayland.isEmpty()) {
            environment.insert("WAYLAND_DISPLAY", wayland);
            environment.insert("XDG_SESSION_TYPE", "wayland");
            environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(home.Path()));
        }
        const Finished run = RunProgram(program, {}, environment);
        QVERIFY2(!run.crashed, qPrintable(run.errors));
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.errors.endsWith("Zelnor2: cannot open a window: the window system did not "
                                     "answer (" +
                                     named +
                                     "); run with --capture or --live without a window, or "
                                     "under xvfb-run\n"),
                 qPrintable(run.errors));
    }

    void aRenamedProgramTakesItsNameLanguageFileAndSettings() {
        testsupport::TempDir folder;
        const QString renamed = QString::fromStdString(folder / "Camtool.bin");
        CopyExecutable(program, renamed);
        QProcessEnvironment environment = WithoutDisplay();
        const QString ports = QString::fromStdString(folder / "ports");
        QVERIFY(QDir().mkpath(ports));
        QVERIFY(QFile::link(QString::fromStdString(folder / "no-such-device"), ports + "/COM9"));
        environment.insert("ZELNOR2_PORTS", ports);
        const QStringList headless = {"--live",  QString::fromStdString(folder / "live.jpg"),
                                      "--port",  "9",
                                      "--speed", "9600"};

        const Finished version = RunProgram(renamed, {"--version"}, environment);
        QCOMPARE(version.output, QString("Camtool %1\n").arg(kVersion));

        // The language file is looked for under the new name: none yet.
        const Finished noLanguage = RunProgram(renamed, headless, environment);
        QCOMPARE(noLanguage.exitCode, 1);
        QVERIFY2(noLanguage.errors.contains(QString::fromStdString(folder / "Camtool.INI")),
                 qPrintable(noLanguage.errors));

        QVERIFY(QFile::copy(languageFile, QString::fromStdString(folder / "Camtool.INI")));
        const Finished badPort = RunProgram(renamed, headless, environment);
        QCOMPARE(badPort.exitCode, 2);
        QVERIFY2(badPort.errors.startsWith("Camtool: cannot use the serial port: COM9"),
                 qPrintable(badPort.errors));
    }

    void aRenamedProgramKeepsItsSettingsUnderItsName() {
        testsupport::TempDir folder;
        const QString renamed = QString::fromStdString(folder / "Camtool.bin");
        CopyExecutable(program, renamed);
        QVERIFY(QFile::copy(languageFile, QString::fromStdString(folder / "Camtool.INI")));
        const QString config = QString::fromStdString(folder / "config");
        QProcessEnvironment environment = WithoutDisplay();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_CONFIG_HOME", config);
        environment.insert("ZELNOR2_PORTS", QString::fromStdString(folder / "ports"));
        const QString runtime = QString::fromStdString(folder / "runtime");
        QVERIFY(QDir().mkpath(runtime));
        QVERIFY(QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                   QFileDevice::ExeOwner));
        environment.insert("XDG_RUNTIME_DIR", runtime);

        QProcess process;
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(QString::fromStdString(folder.Path()));
        process.start(renamed, {"-Automation"});
        QVERIFY(process.waitForStarted());
        // Until the program handles SIGTERM itself, the signal would simply
        // kill it.
        QTRY_VERIFY_WITH_TIMEOUT(Catches(process.processId(), SIGTERM), 10000);
        QTest::qWait(300);
        QVERIFY(::kill(static_cast<pid_t>(process.processId()), SIGTERM) == 0);
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(process.readAllStandardError(), QByteArray());

        // Ended as Exit ends it: the settings are stored, under the new name.
        const QString store = config + "/Zelnor/Camtool.ini";
        QVERIFY2(QFile::exists(store), qPrintable(store));
        QVERIFY(!QFile::exists(config + "/Zelnor/Zelnor2.ini"));
        const QSettings settings(store, QSettings::IniFormat);
        QCOMPARE(settings.value("Comunication/Port").toString(), QString("0"));
        QCOMPARE(settings.value("Comunication/Baudrate").toString(), QString("0"));
        QVERIFY(settings.contains("WindowsPlaces/MainX"));
        QVERIFY(settings.contains("WindowsPlaces/PictureY"));
    }

    void exitWhileAClientHoldsTheProgramOnlyHides() {
        DialogEnvironment environment;
        CZelnor2Dlg dialog;
        CZelnor2DlgAutoProxy client;
        QCOMPARE(dialog.automationProxy, nullptr);
        auto* exit = FindButton(&dialog, ControlId::kExit);

        bool hiddenAndKept = false;
        bool released = false;
        QTimer::singleShot(100, &dialog, [&] {
            dialog.automationProxy = &client;
            exit->click();
        });
        QTimer::singleShot(400, &dialog, [&] {
            hiddenAndKept = !dialog.isVisible() && !environment.SettingsFileExists() &&
                            dialog.PictureWindow() != nullptr;
            // The client lets go and shows the dialog again; now Exit ends it.
            dialog.automationProxy = nullptr;
            released = true;
            dialog.show();
            exit->click();
        });
        const int result = dialog.exec();
        QVERIFY2(released, "the modal run ended while a client held the program");
        QVERIFY(hiddenAndKept);
        QCOMPARE(result, int(QDialog::Rejected));
        QVERIFY(environment.SettingsFileExists());
        QCOMPARE(dialog.PictureWindow(), nullptr);
    }
};

QTEST_MAIN(ApplicationTest)
#include "tst_application.moc"
