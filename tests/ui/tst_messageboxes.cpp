#include "ModalWatcher.h"
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

transfer::PictureFailed Failure(transfer::FailureCause why) {
    return transfer::PictureFailed{0, why, "No space left on device", {}};
}

} // namespace

class MessageBoxesTest : public QObject {
    Q_OBJECT

private slots:
    // A full disk during a capture of uncompressed pictures: the box tells
    // the operator without blocking the dialog, where Stop must stay at
    // hand. Only the BMP file's failure has a box; the others are told on
    // the status line or not at all, as always.
    void aBitmapThatCannotBeWrittenBecomesABoxThatBlocksNothing() {
        ModalWatcher watcher(300);
        DibMessageBoxes boxes;
        std::atomic<bool> told{false};
        std::thread worker([&] {
            boxes.OnRunEvent(Failure(transfer::FailureCause::WriteFailed));
            boxes.OnRunEvent(Failure(transfer::FailureCause::BitmapNotWritten));
            boxes.OnRunEvent(Failure(transfer::FailureCause::CutShort));
            told = true;
        });
        // The worker does not wait for the operator: it is through before
        // the GUI thread has even shown a box.
        worker.join();
        QVERIFY(told);
        QVERIFY(watcher.Messages().empty());

        QTRY_COMPARE(watcher.Messages().size(), std::size_t{1});
        QTest::qWait(100);
        QCOMPARE(watcher.Messages().size(), std::size_t{1});
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        const uitest::SeenMessage& message = watcher.Messages().front();
        QCOMPARE(message.text, QString("write error"));
        QCOMPARE(message.title, ApplicationName());
        QCOMPARE(message.icon, QMessageBox::Warning);
        QCOMPARE(message.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QTRY_VERIFY(NoWindowOpen());
    }

    void aRepeatingErrorDoesNotPileUpBoxes() {
        ModalWatcher watcher(300);
        DibMessageBoxes boxes;
        const auto reportFifty = [&boxes] {
            std::thread worker([&boxes] {
                for (int picture = 0; picture < 50; ++picture) {
                    boxes.OnRunEvent(Failure(transfer::FailureCause::BitmapNotWritten));
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
};

QTEST_MAIN(MessageBoxesTest)
#include "tst_messageboxes.moc"
