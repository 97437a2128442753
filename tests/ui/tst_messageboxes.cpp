#include "ModalWatcher.h"
#include "picture/DibErrorHook.h"
#include "ui/ApplicationName.h"
#include "ui/DibMessageBoxes.h"

#include <QTest>
#include <algorithm>
#include <atomic>
#include <thread>

using uitest::ModalWatcher;

namespace {

bool NoWindowOpen() {
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::none_of(windows.begin(), windows.end(), [](QWidget* w) { return w->isVisible(); });
}

} // namespace

class MessageBoxesTest : public QObject {
    Q_OBJECT

private slots:
    // A full disk during a capture of uncompressed pictures: the boxes tell
    // the operator without blocking the dialog, where Stop must stay at hand.
    void bitmapErrorsFromAWorkerBecomeBoxesThatBlockNothing() {
        ModalWatcher watcher(300);
        const DibMessageBoxes boxes;
        std::atomic<bool> reported{false};
        std::thread worker([&reported] {
            ReportDibError("Read error");
            ReportDibError("write error");
            reported = true;
        });
        // The worker does not wait for the operator: it is through before
        // the GUI thread has even shown a box.
        worker.join();
        QVERIFY(reported);
        QVERIFY(watcher.Messages().empty());

        QTRY_COMPARE(watcher.Messages().size(), std::size_t{2});
        QCOMPARE(watcher.MostOpenAtOnce(), 2);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QStringList texts;
        for (const uitest::SeenMessage& message : watcher.Messages()) {
            texts.append(message.text);
            QCOMPARE(message.title, ApplicationName());
            QCOMPARE(message.icon, QMessageBox::Warning);
            QCOMPARE(message.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        }
        texts.sort();
        QCOMPARE(texts, QStringList({"Read error", "write error"}));
        QTRY_VERIFY(NoWindowOpen());
    }

    void aRepeatingErrorDoesNotPileUpBoxes() {
        ModalWatcher watcher(300);
        const DibMessageBoxes boxes;
        const auto reportFifty = [] {
            std::thread worker([] {
                for (int picture = 0; picture < 50; ++picture) {
                    ReportDibError("write error");
                }
            });
            worker.join();
        };
        // One box while it is open, however often the fault repeats; once the
        // operator has closed it, the next fault shows a box again.
        reportFifty();
        QTRY_COMPARE(watcher.Messages().size(), std::size_t{1});
        QTRY_VERIFY(NoWindowOpen());
        reportFifty();
        QTRY_COMPARE(watcher.Messages().size(), std::size_t{2});
        QCOMPARE(watcher.MostOpenAtOnce(), 1);
        QTRY_VERIFY(NoWindowOpen());
    }

    void theEarlierHookComesBack() {
        ModalWatcher watcher;
        std::vector<std::string> seenByEarlierHook;
        const DibErrorHook outer = SetDibErrorHook(
            [&seenByEarlierHook](std::string_view m) { seenByEarlierHook.emplace_back(m); });
        {
            const DibMessageBoxes boxes;
            ReportDibError("write error");
            QTRY_COMPARE(watcher.Messages().size(), std::size_t{1});
        }
        // Once the object is gone the boxes stop; the earlier hook is back.
        ReportDibError("Read error");
        QTest::qWait(100);
        QCOMPARE(watcher.Messages().size(), std::size_t{1});
        QCOMPARE(seenByEarlierHook, std::vector<std::string>{"Read error"});
        SetDibErrorHook(outer);
    }
};

QTEST_MAIN(MessageBoxesTest)
#include "tst_messageboxes.moc"
