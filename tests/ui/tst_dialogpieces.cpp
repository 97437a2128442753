#include "platform/DisplayFileLocation.h"
#include "ui/DialogUnits.h"
#include "ui/FreeSpaceLimit.h"
#include "ui/SaveFileFilter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

class DialogPiecesTest : public QObject {
    Q_OBJECT

private slots:
    void freeSpaceText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<uint>("value");
        QTest::newRow("plain") << "1024" << true << 1024u;
        QTest::newRow("leading zeros") << "0012" << true << 12u;
        QTest::newRow("zero") << "0" << true << 0u;
        QTest::newRow("blanks and tabs around") << " \t 42\t  " << true << 42u;
        QTest::newRow("largest") << "4294967295" << true << 4294967295u;
        QTest::newRow("just beyond 32 bits") << "4294967296" << true << 4294967295u;
        QTest::newRow("eleven nines") << "99999999999" << true << 4294967295u;
        QTest::newRow("thirty digits") << QString(30, '7') << true << 4294967295u;
        // Only the first 31 characters are read: what lies beyond is not seen.
        QTest::newRow("junk after 31 characters") << QString(31, '1') + "x" << true << 4294967295u;
        QTest::newRow("junk at character 31") << QString(30, '1') + "x" << false << 0u;
        QTest::newRow("empty") << "" << false << 0u;
        QTest::newRow("blanks only") << "   " << false << 0u;
        QTest::newRow("minus") << "-5" << false << 0u;
        QTest::newRow("plus") << "+5" << false << 0u;
        QTest::newRow("inner blank") << "1 2" << false << 0u;
        QTest::newRow("letters after") << "12kb" << false << 0u;
        QTest::newRow("newline") << "12\n" << false << 0u;
        QTest::newRow("hex") << "0x10" << false << 0u;
    }

    void freeSpaceText() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(uint, value);
        const std::optional<std::uint32_t> parsed = ParseFreeSpaceText(text.toStdString());
        QCOMPARE(parsed.has_value(), valid);
        if (valid) {
            QCOMPARE(*parsed, value);
        }
    }

    void freeSpaceLimit_data() {
        QTest::addColumn<uint>("value");
        QTest::addColumn<int>("unit");
        QTest::addColumn<uint>("bytes");
        QTest::newRow("1024 MB") << 1024u << kUnitMegabytes << 1024u * 1048576u;
        QTest::newRow("5000 MB is capped") << 5000u << kUnitMegabytes << 4095u * 1048576u;
        QTest::newRow("largest MB") << 4294967295u << kUnitMegabytes << 4293918720u;
        QTest::newRow("4095 KB") << 4095u << kUnitKilobytes << 4095u * 1024u;
        QTest::newRow("4096 KB is capped") << 4096u << kUnitKilobytes << 4095u * 1024u;
        QTest::newRow("zero") << 0u << kUnitMegabytes << 0u;
        QTest::newRow("no unit: bytes") << 300u << -1 << 300u;
        QTest::newRow("no unit, capped") << 9000u << -1 << 4095u;
    }

    void freeSpaceLimit() {
        QFETCH(uint, value);
        QFETCH(int, unit);
        QFETCH(uint, bytes);
        QCOMPARE(FreeSpaceLimitBytes(value, unit), bytes);
    }

    void saveFileFilter_data() {
        QTest::addColumn<QString>("bars");
        QTest::addColumn<QString>("filter");
        QTest::newRow("shipped") << "JPEG pictures (*.jpg)|*.jpg|All files (*.*)|*.*||"
                                 << "JPEG pictures (*.jpg);;All files (*)";
        QTest::newRow("every file among others") << "Pictures|*.jpg;*.*||"
                                                 << "Pictures (*.jpg *)";
        QTest::newRow("patterns added") << "JPEG pictures|*.jpg;*.jpeg|Anything|*||"
                                        << "JPEG pictures (*.jpg *.jpeg);;Anything (*)";
        QTest::newRow("blanks around patterns") << "Pictures|*.jpg; *.bmp||"
                                                << "Pictures (*.jpg *.bmp)";
        QTest::newRow("without the closing bars") << "JPEG|*.jpg"
                                                  << "JPEG (*.jpg)";
        QTest::newRow("stops at an empty description") << "JPEG|*.jpg||Other|*.x|"
                                                       << "JPEG (*.jpg)";
        QTest::newRow("description without pattern") << "JPEG|*.jpg|Lonely"
                                                     << "JPEG (*.jpg)";
        QTest::newRow("no bars at all") << "Error!"
                                        << "";
        QTest::newRow("empty") << ""
                               << "";
    }

    void saveFileFilter() {
        QFETCH(QString, bars);
        QFETCH(QString, filter);
        QCOMPARE(ConvertSaveFileFilter(bars), filter);
    }

    void fileDialogTextsAreCutToTheirRoom() {
        QCOMPARE(FitFileDialogText(QString(300, 'a')).size(), kFileDialogTextRoom - 1);
        QCOMPARE(FitFileDialogText("Save pictures as"), QString("Save pictures as"));
    }

    void dialogUnitsFollowTheFont() {
        QFont font = QGuiApplication::font();
        font.setPixelSize(13);
        const DialogUnits units(font);
        const QFontMetrics metrics(font);
        const int average =
            metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        QCOMPARE(units.BaseX(), (average / 26 + 1) / 2);
        QCOMPARE(units.BaseY(), metrics.height());
        // Four horizontal units are one base width, eight vertical ones one
        // base height; parts round to the nearest pixel.
        QCOMPARE(units.ToPixelsX(4), units.BaseX());
        QCOMPARE(units.ToPixelsY(8), units.BaseY());
        QCOMPARE(units.ToPixelsX(108), (108 * units.BaseX() + 2) / 4);
        QCOMPARE(units.ToPixelsY(161), (161 * units.BaseY() + 4) / 8);
        QCOMPARE(units.ToPixels(6, 24, 96, 11), QRect(units.ToPixelsX(6), units.ToPixelsY(24),
                                                      units.ToPixelsX(96), units.ToPixelsY(11)));

        font.setPixelSize(26);
        const DialogUnits larger(font);
        QVERIFY(larger.ToPixelsX(108) > units.ToPixelsX(108) * 3 / 2);
        QVERIFY(larger.ToPixelsY(161) > units.ToPixelsY(161) * 3 / 2);
    }

    void displayFileStaysInAFolderTheUserMayWrite() {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const std::string named = folder.path().toStdString() + "/";
        QCOMPARE(platform::DisplayFileLocation(named, "temp.jpg"), named + "temp.jpg");
        // The current folder is named by no folder at all, as before.
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(folder.path()));
        const std::string inCurrent = platform::DisplayFileLocation("", "temp.jpg");
        QVERIFY(QDir::setCurrent(before));
        QCOMPARE(inCurrent, std::string("temp.jpg"));
    }

    void displayFileGoesToTheCacheWhereTheFolderCannotTakeIt() {
        QTemporaryDir cache;
        QTemporaryDir locked;
        QVERIFY(cache.isValid() && locked.isValid());
        const QByteArray previous = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", cache.path().toUtf8());
        const std::string expected = cache.path().toStdString() + "/Zelnor/temp.jpg";
        const std::string missing = platform::DisplayFileLocation("/no/such/folder/", "temp.jpg");
        const bool canLock =
            ::geteuid() != 0 &&
            QFile::setPermissions(locked.path(), QFile::ReadOwner | QFile::ExeOwner);
        const std::string readOnly =
            platform::DisplayFileLocation(locked.path().toStdString() + "/", "temp.jpg");
        QFile::setPermissions(locked.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_CACHE_HOME", previous);
        QCOMPARE(missing, expected);
        QVERIFY(QFileInfo(cache.path() + "/Zelnor").isDir());
        if (canLock) {
            QCOMPARE(readOnly, expected);
        }
    }
};

QTEST_MAIN(DialogPiecesTest)
#include "tst_dialogpieces.moc"
