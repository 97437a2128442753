#include "ColourNear.h"
#include "TestLanguage.h"
#include "language/LanguageText.h"
#include "picture/CPictureDlg.h"
#include "tests/support/TempDir.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <vector>

using testsupport::TempDir;

namespace {

// A picture of four coloured quarters, so that a test can tell whether the
// whole picture was drawn upright over the whole window.
QImage Quarters(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(0, 0, width / 2, height / 2, Qt::red);
    painter.fillRect(width / 2, 0, width - width / 2, height / 2, Qt::green);
    painter.fillRect(0, height / 2, width / 2, height - height / 2, Qt::blue);
    painter.fillRect(width / 2, height / 2, width - width / 2, height - height / 2, Qt::yellow);
    return image;
}

QImage Filled(QColor colour) {
    QImage image(320, 240, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Writes the picture over the file in place and puts its modification time
// back, so that its inode, size and time stay as they were.
void RewriteKeepingTheStamp(const QString& path, const QImage& picture) {
    const QByteArray name = QFile::encodeName(path);
    struct stat before {};
    QVERIFY(::stat(name.constData(), &before) == 0);
    QVERIFY(picture.save(path, "BMP"));
    const timespec times[2] = {before.st_atim, before.st_mtim};
    QVERIFY(::utimensat(AT_FDCWD, name.constData(), times, 0) == 0);
    struct stat after {};
    QVERIFY(::stat(name.constData(), &after) == 0);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_size, before.st_size);
}

bool Near(QColor seen, QColor expected) {
    return uitest::ColourNear(seen, expected, 40);
}

} // namespace

class PictureWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempDir> folder;
    std::unique_ptr<uitest::TestLanguage> language;
    std::unique_ptr<CPictureDlg> window;

    QString PicturePath(const char* name) const { return QString::fromStdString(*folder / name); }

    // What the client area shows after a paint.
    QImage Shown() { return window->grab().toImage(); }

    void VerifyQuartersFillTheWindow(const QImage& shown) {
        QCOMPARE(shown.size(), QSize(640, 480));
        QVERIFY(Near(shown.pixelColor(10, 10), Qt::red));
        QVERIFY(Near(shown.pixelColor(630, 10), Qt::green));
        QVERIFY(Near(shown.pixelColor(10, 470), Qt::blue));
        QVERIFY(Near(shown.pixelColor(630, 470), Qt::yellow));
        // The quarters meet in the middle of the window: stretched, not
        // placed at the picture's own size.
        QVERIFY(Near(shown.pixelColor(310, 230), Qt::red));
        QVERIFY(Near(shown.pixelColor(330, 250), Qt::yellow));
    }

    bool ShowsPlainBackground(const QImage& shown) {
        const QColor background = window->palette().color(QPalette::Window);
        for (const QPoint at :
             {QPoint(10, 10), QPoint(630, 10), QPoint(320, 240), QPoint(630, 470)}) {
            if (shown.pixelColor(at) != background) {
                return false;
            }
        }
        return true;
    }

private slots:
    void init() {
        folder = std::make_unique<TempDir>();
        language = std::make_unique<uitest::TestLanguage>(*folder);
        QVERIFY(LanguageText::LoadCurrentLanguage());
        window = std::make_unique<CPictureDlg>();
        window->Initialise();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    void cleanup() {
        window.reset();
        language.reset();
        folder.reset();
    }

    void aFreshWindowIsEmptyAndFixedAt640By480() {
        QCOMPARE(window->windowTitle(), QString("Newest picture"));
        QVERIFY(window->pictureFile.isEmpty());
        QCOMPARE(window->size(), QSize(640, 480));
        QCOMPARE(window->minimumSize(), QSize(640, 480));
        QCOMPARE(window->maximumSize(), QSize(640, 480));
        const Qt::WindowFlags flags = window->windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowTitleHint));
        QVERIFY(!flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowSystemMenuHint));
        QVERIFY(ShowsPlainBackground(Shown()));
    }

    void picturesOfAnySizeAreStretchedOverTheWindow_data() {
        QTest::addColumn<QSize>("size");
        QTest::newRow("320x240") << QSize(320, 240);
        QTest::newRow("160x120") << QSize(160, 120);
        QTest::newRow("400x160, distorted") << QSize(400, 160);
        QTest::newRow("1280x960") << QSize(1280, 960);
    }

    void picturesOfAnySizeAreStretchedOverTheWindow() {
        QFETCH(QSize, size);
        const QString path = PicturePath("picture.jpg");
        QVERIFY(Quarters(size.width(), size.height()).save(path, "JPEG", 95));
        window->pictureFile = path;
        VerifyQuartersFillTheWindow(Shown());
    }

    void aChangedFileIsReadAgainAtTheNextPaint() {
        const QString path = PicturePath("display.jpg");
        QImage green(320, 240, QImage::Format_RGB32);
        green.fill(Qt::green);
        QVERIFY(green.save(path, "JPEG"));
        window->pictureFile = path;
        QVERIFY(Near(Shown().pixelColor(320, 240), Qt::green));

        QImage blue(320, 240, QImage::Format_RGB32);
        blue.fill(Qt::blue);
        QVERIFY(blue.save(path, "JPEG"));
        QVERIFY(Near(Shown().pixelColor(320, 240), Qt::blue));

        QVERIFY(QFile::remove(path));
        QVERIFY(ShowsPlainBackground(Shown()));
    }

    void anUnchangedFileIsNotReadAgainButANewPictureAndTheFocusReadIt() {
        const QString path = PicturePath("display.bmp");
        QVERIFY(Filled(Qt::green).save(path, "BMP"));
        window->pictureFile = path;
        QVERIFY(Near(Shown().pixelColor(320, 240), Qt::green));

        // Other pixels in place, with size and modification time as before:
        // to a look at the file, nothing changed.
        RewriteKeepingTheStamp(path, Filled(Qt::blue));
        QVERIFY(Near(Shown().pixelColor(320, 240), Qt::green));
        window->Reload();
        QVERIFY(Near(Shown().pixelColor(320, 240), Qt::blue));

        RewriteKeepingTheStamp(path, Filled(Qt::red));
        QVERIFY(Near(Shown().pixelColor(320, 240), Qt::blue));
        QFocusEvent focusIn(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
        QCoreApplication::sendEvent(window.get(), &focusIn);
        QVERIFY(Near(Shown().pixelColor(320, 240), Qt::red));
    }

    void aPictureHandedOverIsDrawnWithoutReadingItsFile() {
        // The file holds green, the bytes handed over with it red: while the
        // file stays as it was, the bytes are what is drawn.
        const QString path = PicturePath("display.bmp");
        QVERIFY(Filled(Qt::green).save(path, "BMP"));
        QByteArray red;
        QBuffer buffer(&red);
        QVERIFY(buffer.open(QIODevice::WriteOnly));
        QVERIFY(Filled(Qt::red).save(&buffer, "BMP"));
        window->ShowPicture(
            path, std::make_shared<const std::vector<std::uint8_t>>(red.cbegin(), red.cend()));
        QCOMPARE(window->pictureFile, path);
        QVERIFY(Near(Shown().pixelColor(320, 240), Qt::red));
        // The focus has the file read anew.
        QFocusEvent focusIn(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
        QCoreApplication::sendEvent(window.get(), &focusIn);
        QVERIFY(Near(Shown().pixelColor(320, 240), Qt::green));
    }

    void aSmallPictureIsEnlargedSmoothly() {
        // Black left, white right: drawn blockwise, the left half of the
        // window would be black throughout.
        QImage halves(2, 1, QImage::Format_RGB32);
        halves.setPixelColor(0, 0, Qt::black);
        halves.setPixelColor(1, 0, Qt::white);
        const QString path = PicturePath("small.png");
        QVERIFY(halves.save(path, "PNG"));
        window->pictureFile = path;
        const int grey = Shown().pixelColor(300, 240).red();
        QVERIFY2(grey > 40 && grey < 215, QByteArray::number(grey));
    }

    void filesThatDoNotLoadLeaveThePlainBackground_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("not a picture") << QByteArray("Waiting for valid header...");
        QTest::newRow("cut JPEG") << QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10);
    }

    void filesThatDoNotLoadLeaveThePlainBackground() {
        QFETCH(QByteArray, contents);
        const QString path = PicturePath("broken.jpg");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
        file.close();
        window->pictureFile = path;
        QVERIFY(ShowsPlainBackground(Shown()));
        window->pictureFile = PicturePath("missing.jpg");
        QVERIFY(ShowsPlainBackground(Shown()));
    }

    void aSizeSetFromOutsideIsCorrectedAndThePlaceKept() {
        window->move(123, 45);
        window->setMinimumSize(100, 100);
        window->setMaximumSize(2000, 2000);
        window->resize(300, 200);
        QTRY_COMPARE(window->size(), QSize(640, 480));
        QCOMPARE(window->pos(), QPoint(123, 45));
    }

    void aNewDisplaySizeIsTakenAtTheNextFit() {
        window->displayWidth = 320;
        window->displayHeight = 200;
        window->FitClientArea();
        QCOMPARE(window->size(), QSize(320, 200));
        window->displayWidth = CPictureDlg::kDisplayWidth;
        window->displayHeight = CPictureDlg::kDisplayHeight;
        window->FitClientArea();
        QCOMPARE(window->size(), QSize(640, 480));
    }

    void enterAndEscapeHideTheWindow_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
        QTest::newRow("Escape") << int(Qt::Key_Escape);
    }

    void enterAndEscapeHideTheWindow() {
        QFETCH(int, key);
        window->activateWindow();
        QTest::keyClick(window.get(), Qt::Key(key));
        QVERIFY(!window->isVisible());
    }

    void gainingTheFocusRepaints() {
        QCoreApplication::processEvents();
        int paints = 0;
        struct PaintCounter : QObject {
            int* count;
            explicit PaintCounter(int* count) : count(count) {}
            bool eventFilter(QObject*, QEvent* event) override {
                if (event->type() == QEvent::Paint) {
                    ++*count;
                }
                return false;
            }
        } counter(&paints);
        window->installEventFilter(&counter);
        QFocusEvent focusIn(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
        QCoreApplication::sendEvent(window.get(), &focusIn);
        QTRY_VERIFY(paints > 0);
        window->removeEventFilter(&counter);
    }
};

QTEST_MAIN(PictureWindowTest)
#include "tst_picturewindow.moc"
