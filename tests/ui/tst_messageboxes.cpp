#include "ModalWatcher.h"
#include "picture/DibErrorHook.h"
#include "ui/ApplicationName.h"
#include "ui/DibMessageBoxes.h"

#include <QTest>
#include <atomic>
#include <thread>

using uitest::ModalWatcher;

class MessageBoxesTest : public QObject {
    Q_OBJECT

private slots:
    void bitmapErrorsFromAWorkerBecomeQueuedBoxes() {
        ModalWatcher watcher(200);
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
        // One box at a time, in the order reported.
        QCOMPARE(watcher.MostOpenAtOnce(), 1);
        QCOMPARE(watcher.Messages()[0].text, QString("Read error"));
        QCOMPARE(watcher.Messages()[1].text, QString("write error"));
        for (const uitest::SeenMessage& message : watcher.Messages()) {
            QCOMPARE(message.title, ApplicationName());
            QCOMPARE(message.icon, QMessageBox::Warning);
            QCOMPARE(message.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        }
        QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
    }

    void aRepeatingErrorDoesNotPileUpBoxes() {
        ModalWatcher watcher(200);
        const DibMessageBoxes boxes;
        std::thread worker([] {
            for (int picture = 0; picture < 50; ++picture) {
                ReportDibError("write error");
            }
        });
        worker.join();
        // The first box shows; while it is open one more waits, and the
        // same text is not queued again behind it.
        QTRY_COMPARE(watcher.Messages().size(), std::size_t{2});
        QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
        QTest::qWait(100);
        QCOMPARE(watcher.Messages().size(), std::size_t{2});
        QCOMPARE(watcher.MostOpenAtOnce(), 1);
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
