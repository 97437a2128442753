#include "tests/support/TempDir.h"
#include "ui/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QTest>
#include <limits>
#include <memory>

using testsupport::TempDir;

class SettingsStoreTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempDir> folder;

    QString StoreFile() const {
        return QString::fromStdString(folder->Path()) + "/Zelnor/" +
               QCoreApplication::applicationName() + ".ini";
    }

    static QString RunProbe(const QString& program, const QStringList& arguments,
                            const QString& configFolder) {
        QProcess probe;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", configFolder);
        probe.setProcessEnvironment(environment);
        probe.start(program, arguments);
        if (!probe.waitForFinished(10000) || probe.exitCode() != 0) {
            return "failed";
        }
        return QString::fromLatin1(probe.readAllStandardOutput()).trimmed();
    }

private slots:
    void init() {
        folder = std::make_unique<TempDir>();
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           QString::fromStdString(folder->Path()));
    }

    void missingValuesGiveTheDefault() {
        QCOMPARE(SettingsStore::ReadInt("WindowsPlaces", "MainX", 0), 0);
        QCOMPARE(SettingsStore::ReadInt("WindowsPlaces", "MainY", 1), 1);
        QCOMPARE(SettingsStore::ReadInt("Comunication", "Port", -5), -5);
    }

    void signedValuesComeBackUnchanged_data() {
        QTest::addColumn<int>("value");
        QTest::newRow("zero") << 0;
        QTest::newRow("no selection") << -1;
        QTest::newRow("left screen") << -1200;
        QTest::newRow("far right") << 40000;
        QTest::newRow("smallest") << std::numeric_limits<std::int32_t>::min();
        QTest::newRow("largest") << std::numeric_limits<std::int32_t>::max();
    }

    void signedValuesComeBackUnchanged() {
        QFETCH(int, value);
        QVERIFY(SettingsStore::WriteInt("WindowsPlaces", "PictureX", value));
        QCOMPARE(SettingsStore::ReadInt("WindowsPlaces", "PictureX", 12345), value);
    }

    void sectionsAndKeysAreSpelledAsStored() {
        QVERIFY(SettingsStore::WriteInt(SettingsStore::kWindowsPlaces, SettingsStore::kMainX, -3));
        QVERIFY(
            SettingsStore::WriteInt(SettingsStore::kCommunication, SettingsStore::kBaudrate, 2));
        QFile file(StoreFile());
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(StoreFile()));
        const QString text = QString::fromLatin1(file.readAll());
        QVERIFY(text.contains("[WindowsPlaces]\nMainX=-3\n"));
        QVERIFY(text.contains("[Comunication]\nBaudrate=2\n"));
    }

    void unreadableValuesGiveTheDefault_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("text") << QByteArray("left");
        QTest::newRow("beyond 32 bits") << QByteArray("4294967295");
        QTest::newRow("below 32 bits") << QByteArray("-2147483649");
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("fraction") << QByteArray("1.5");
    }

    void unreadableValuesGiveTheDefault() {
        QFETCH(QByteArray, stored);
        QDir().mkpath(QString::fromStdString(folder->Path()) + "/Zelnor");
        QFile file(StoreFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Comunication]\nPort=" + stored + "\nBaudrate=3\n");
        file.close();
        QCOMPARE(SettingsStore::ReadInt("Comunication", "Port", 9), 9);
        QCOMPARE(SettingsStore::ReadInt("Comunication", "Baudrate", 9), 3);
    }

    void aFailedWriteIsReportedAndLeavesDefaults() {
        // A plain file where the settings folder should be: nothing can be
        // created below it.
        const std::string blocker = *folder / "blocker";
        testsupport::WriteFile(blocker, "not a folder");
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           QString::fromStdString(blocker));
        QVERIFY(!SettingsStore::WriteInt("Comunication", "Port", 4));
        QCOMPARE(SettingsStore::ReadInt("Comunication", "Port", 0), 0);
    }

    void aRenamedExecutableHasItsOwnStore() {
        const QString config = QString::fromStdString(folder->Path());
        const QString renamed = QString::fromStdString(*folder / "OtherCamera.bin");
        QVERIFY(QFile::copy(SETTINGS_PROBE_PATH, renamed));
        QFile::setPermissions(renamed, QFile::permissions(renamed) | QFileDevice::ExeOwner);

        QCOMPARE(RunProbe(SETTINGS_PROBE_PATH, {"write", "Port", "-1"}, config), QString());
        QCOMPARE(RunProbe(SETTINGS_PROBE_PATH, {"read", "Port"}, config), QString("-1"));
        QCOMPARE(RunProbe(renamed, {"read", "Port"}, config), QString("7777"));
        QCOMPARE(RunProbe(renamed, {"write", "Port", "5"}, config), QString());
        QCOMPARE(RunProbe(renamed, {"read", "Port"}, config), QString("5"));
        QCOMPARE(RunProbe(SETTINGS_PROBE_PATH, {"read", "Port"}, config), QString("-1"));
        // The store lives in the user's configuration folder, named after the
        // executable without its extension.
        QVERIFY(QFile::exists(config + "/Zelnor/settings_probe.ini"));
        QVERIFY(QFile::exists(config + "/Zelnor/OtherCamera.ini"));
    }
};

QTEST_GUILESS_MAIN(SettingsStoreTest)
#include "tst_settingsstore.moc"
