// The about box: its template's layout, its texts from the language file read
// at every opening, its picture, and how the main dialog opens it.
#include "DialogEnvironment.h"
#include "TestLanguage.h"
#include "language/LanguageText.h"
#include "ui/CAboutBoxDlg.h"
#include "ui/CZelnor2App.h"
#include "ui/CZelnor2Dlg.h"
#include "ui/DialogUnits.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace uitest;

namespace {

std::map<std::string, std::string> AboutTexts(const std::string& edition) {
    std::map<std::string, std::string> texts = TestTexts();
    texts["ABOUT_CAPTION"] = "About the camera " + edition;
    texts["ABOUT_IDOK"] = "Fine " + edition;
    texts["ABOUT_IDC_VERSION"] = "Version 2 & " + edition;
    texts["ABOUT_IDC_COPYRIGHT"] = "Cable && camera &" + edition;
    return texts;
}

QLabel* Line(const QWidget* box, int id) {
    return FindControl<QLabel>(box, id);
}

struct SeenBox {
    QString caption;
    QString version;
    QString copyright;
    QString button;
    bool modal = false;
    QWidget* owner = nullptr;
};

// What the about box shows when it opens on its own, read while it is up;
// then ends it with answer.
class AboutBoxWatcher : public QObject {
public:
    explicit AboutBoxWatcher(std::function<void(CAboutBoxDlg*)> answer)
        : answer(std::move(answer)) {
        poller.setInterval(5);
        connect(&poller, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<CAboutBoxDlg*>(QApplication::activeModalWidget());
            if (box == nullptr || !box->isVisible()) {
                return;
            }
            seen.push_back({box->windowTitle(), Line(box, CAboutBoxDlg::kVersionId)->text(),
                            Line(box, CAboutBoxDlg::kCopyrightId)->text(),
                            FindButton(box, CAboutBoxDlg::kOkId)->text(), box->isModal(),
                            box->parentWidget()});
            this->answer(box);
        });
        poller.start();
    }

    std::vector<SeenBox> seen;

private:
    std::function<void(CAboutBoxDlg*)> answer;
    QTimer poller;
};

} // namespace

class AboutBoxTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<DialogEnvironment> environment;

private slots:
    void init() {
        environment = std::make_unique<DialogEnvironment>(AboutTexts("one"));
        QVERIFY(LanguageText::LoadCurrentLanguage());
    }

    void cleanup() { environment.reset(); }

    void controlsStandWhereTheTemplatePutsThem() {
        CAboutBoxDlg box;
        const DialogUnits units(box.font());
        QCOMPARE(box.size(), QSize(units.ToPixelsX(179), units.ToPixelsY(109)));
        QVERIFY(box.minimumSize() == box.maximumSize());

        QLabel* version = Line(&box, 1070);
        QLabel* copyright = Line(&box, 1071);
        QPushButton* ok = FindButton(&box, 1);
        QVERIFY(version && copyright && ok);
        QCOMPARE(version->geometry(), units.ToPixels(7, 10, 165, 8));
        QCOMPARE(copyright->geometry(), units.ToPixels(7, 67, 165, 8));
        QCOMPARE(ok->geometry(), units.ToPixels(65, 81, 50, 14));
        QVERIFY(version->alignment() & Qt::AlignHCenter);
        QVERIFY(copyright->alignment() & Qt::AlignHCenter);
        QVERIFY(ok->isDefault());
        QCOMPARE(ok->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
        // The box is a dialog with a caption and a close box, nothing more.
        QVERIFY(box.windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(!(box.windowFlags() & Qt::WindowContextHelpButtonHint));
        QVERIFY(!(box.windowFlags() & Qt::WindowMaximizeButtonHint));

        // The picture keeps its own size, centred on its place.
        auto* picture = box.findChild<QLabel*>("picture");
        QVERIFY(picture);
        QCOMPARE(picture->pixmap().size(), QSize(96, 77));
        QCOMPARE(picture->geometry().center(), units.ToPixels(57, 19, 64, 47).center());
        QVERIFY(picture->width() >= 96 && picture->height() >= 77);
    }

    void thePictureIsACameraIn256Colours() {
        const QImage picture(CAboutBoxDlg::kPictureResource);
        QCOMPARE(picture.size(), QSize(96, 77));
        QCOMPARE(picture.format(), QImage::Format_Indexed8);
        QCOMPARE(picture.colorCount(), 256);
        // A drawing, not a blank: the background at the corners, the dark
        // lens barrel and the lighter ring around it, several colours in all.
        const QRgb corner = picture.pixel(0, 0);
        QCOMPARE(picture.pixel(95, 0), corner);
        QCOMPARE(picture.pixel(0, 76), corner);
        QVERIFY(qGray(picture.pixel(38, 53)) < 80);
        QVERIFY(qGray(picture.pixel(38, 57)) > 150);
        QSet<QRgb> colours;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                colours.insert(picture.pixel(x, y));
            }
        }
        QVERIFY2(colours.size() >= 10, qPrintable(QString::number(colours.size())));
    }

    void textsComeFromTheLanguageFile() {
        CAboutBoxDlg box;
        box.Initialise();
        QCOMPARE(box.windowTitle(), QString("About the camera one"));
        QCOMPARE(FindButton(&box, 1)->text(), QString("Fine one"));
        // The version line shows its ampersand; the line under the picture
        // takes one as a mark and shows a doubled one once.
        QCOMPARE(Line(&box, 1070)->text(), QString("Version 2 & one"));
        QCOMPARE(Line(&box, 1071)->text(), QString("Cable & camera one"));
    }

    void aMissingTextShowsTheErrorMark() {
        std::map<std::string, std::string> texts = AboutTexts("two");
        texts.erase("ABOUT_IDC_VERSION");
        texts.erase("ABOUT_CAPTION");
        const TestLanguage language(environment->Folder(), texts);
        CAboutBoxDlg box;
        box.Initialise();
        QCOMPARE(box.windowTitle(), QString("Error!"));
        QCOMPARE(Line(&box, 1070)->text(), QString("Error!"));
        QCOMPARE(FindButton(&box, 1)->text(), QString("Fine two"));
    }

    void mnemonicMarks_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("none") << "Camera"
                              << "Camera";
        QTest::newRow("mark") << "&Camera"
                              << "Camera";
        QTest::newRow("doubled") << "A && B"
                                 << "A & B";
        QTest::newRow("tripled") << "A &&& B"
                                 << "A & B";
        QTest::newRow("at the end") << "Camera&"
                                    << "Camera";
        QTest::newRow("empty") << ""
                               << "";
    }

    void mnemonicMarks() {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(WithoutMnemonicMarks(text), shown);
    }

    void theMainDialogOpensItModallyAndItRereadsItsTexts() {
        CZelnor2Dlg dialog;
        CZelnor2App::ConnectMainDialog(dialog);
        QVERIFY(dialog.Initialise());
        dialog.show();

        AboutBoxWatcher watcher([](CAboutBoxDlg* box) { FindButton(box, 1)->click(); });
        emit dialog.aboutRequested();
        QCOMPARE(watcher.seen.size(), std::size_t{1});
        // Ended and gone: nothing is kept between openings.
        QVERIFY(dialog.findChildren<CAboutBoxDlg*>().isEmpty());

        const TestLanguage edited(environment->Folder(), AboutTexts("two"));
        emit dialog.aboutRequested();
        QCOMPARE(watcher.seen.size(), std::size_t{2});

        const SeenBox& first = watcher.seen[0];
        QCOMPARE(first.caption, QString("About the camera one"));
        QCOMPARE(first.version, QString("Version 2 & one"));
        QCOMPARE(first.copyright, QString("Cable & camera one"));
        QCOMPARE(first.button, QString("Fine one"));
        QVERIFY(first.modal);
        QCOMPARE(first.owner, &dialog);
        const SeenBox& second = watcher.seen[1];
        QCOMPARE(second.caption, QString("About the camera two"));
        QCOMPARE(second.version, QString("Version 2 & two"));
        QCOMPARE(second.copyright, QString("Cable & camera two"));
        QCOMPARE(second.button, QString("Fine two"));
        dialog.reject();
    }

    void escapeAndTheCloseBoxEndIt() {
        {
            AboutBoxWatcher escape([](CAboutBoxDlg* box) { QTest::keyClick(box, Qt::Key_Escape); });
            CAboutBoxDlg box;
            QCOMPARE(box.exec(), int(QDialog::Rejected));
            QCOMPARE(escape.seen.size(), std::size_t{1});
        }
        AboutBoxWatcher closeBox([](CAboutBoxDlg* box) { box->close(); });
        CAboutBoxDlg box;
        QCOMPARE(box.exec(), int(QDialog::Rejected));
        QCOMPARE(closeBox.seen.size(), std::size_t{1});
    }

    void enterAcceptsIt() {
        AboutBoxWatcher enter([](CAboutBoxDlg* box) { QTest::keyClick(box, Qt::Key_Return); });
        CAboutBoxDlg box;
        QCOMPARE(box.exec(), int(QDialog::Accepted));
        QCOMPARE(enter.seen.size(), std::size_t{1});
    }
};

QTEST_MAIN(AboutBoxTest)
#include "tst_aboutbox.moc"
