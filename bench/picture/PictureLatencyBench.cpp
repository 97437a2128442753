// How long after its last acknowledgement a picture shows in the picture
// window: the real main dialog in live mode with its real workers on the
// offscreen platform, the camera simulator at the far end of a
// pseudo-terminal. The camera sends pictures of alternating colours; the
// moment a picture counts as shown is the end of the picture window's paint
// that put its colour into the window's backing store. Between pictures the
// camera waits a different time each, so that the pictures fall on every
// phase of the dialog's 100 ms tick. Prints every latency, then median, 90th
// percentile and maximum, and the load average before and after.
//
// usage: bench_picture_latency [PICTURES]
//        default 60 pictures.
#include "picture/CPictureDlg.h"
#include "tests/support/LinkedPort.h"
#include "tests/ui/DialogEnvironment.h"
#include "tools/camsim/Camera.h"
#include "ui/CZelnor2Dlg.h"
#include "ui/ControlIds.h"

#include <QApplication>
#include <QBackingStore>
#include <QBuffer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

constexpr const char* kDisplayName = "bench-latency-display.jpg";
const QColor kColours[] = {Qt::red, Qt::blue};

std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

camsim::OutgoingPicture SolidPicture(QColor colour) {
    QImage image(320, 240, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 90);
    camsim::OutgoingPicture picture;
    picture.data.assign(bytes.begin(), bytes.end());
    picture.width = 320;
    picture.height = 240;
    picture.blockSize = 1024;
    return picture;
}

bool Near(QColor seen, QColor expected) {
    return std::abs(seen.red() - expected.red()) < 48 &&
           std::abs(seen.green() - expected.green()) < 48 &&
           std::abs(seen.blue() - expected.blue()) < 48;
}

// What the camera thread and the GUI thread share, under one lock: which
// colour is awaited and when it showed.
class Shown {
public:
    void Await(QColor colour) {
        std::lock_guard lock(mutex);
        awaited = colour;
        shownAt.reset();
    }
    // Called after each paint with the colour in the middle of the window.
    void Painted(QColor seen) {
        std::lock_guard lock(mutex);
        if (awaited && !shownAt && Near(seen, *awaited)) {
            shownAt = Clock::now();
            changed.notify_all();
        }
    }
    std::optional<Clock::time_point> WaitFor(std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex);
        changed.wait_for(lock, limit, [this] { return shownAt.has_value(); });
        return shownAt;
    }

private:
    std::mutex mutex;
    std::condition_variable changed;
    std::optional<QColor> awaited;
    std::optional<Clock::time_point> shownAt;
};

// Lets the picture window paint, then reads what the paint left in its
// backing store.
class PaintWatch : public QObject {
public:
    PaintWatch(QWidget* window, Shown& shown) : window(window), shown(shown) {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != window || event->type() != QEvent::Paint) {
            return false;
        }
        watched->event(event);
        if (auto* image = dynamic_cast<QImage*>(window->backingStore()->paintDevice())) {
            shown.Painted(image->pixelColor(window->width() / 2, window->height() / 2));
        }
        return true;
    }

private:
    QWidget* window;
    Shown& shown;
};

// Runs the event loop until the condition holds or the limit passes.
bool SpinUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() > end) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

double Percentile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1) + 0.5);
    return values[at];
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const int pictures = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    QApplication application(argc, argv);

    auto texts = uitest::TestTexts();
    texts["STRING_IDS_TEMP_JPG"] = kDisplayName;
    uitest::DialogEnvironment environment(texts);
    testsupport::LinkedPort line{1};
    const std::string loadBefore = LoadAverage();

    CZelnor2Dlg dialog;
    if (!dialog.Initialise()) {
        std::fprintf(stderr, "the dialog did not initialise\n");
        return 1;
    }
    dialog.show();
    Shown shown;
    PaintWatch watch(dialog.PictureWindow(), shown);

    uitest::FindButton(&dialog, ControlId::kConnect)->click();
    QPushButton* liveMode = uitest::FindButton(&dialog, ControlId::kLiveMode);
    if (!SpinUntil([&] { return liveMode->isEnabled(); }, 10s)) {
        const QString status =
            uitest::FindControl<QLineEdit>(&dialog, ControlId::kStatusLine)->text();
        std::fprintf(stderr, "not connected: %s\n", qPrintable(status));
        return 1;
    }
    liveMode->click();

    const camsim::OutgoingPicture colouredPictures[] = {SolidPicture(kColours[0]),
                                                        SolidPicture(kColours[1])};
    camsim::CameraOptions options;
    options.bitsPerSecond = 0;
    camsim::Camera camera(line.Master(), options);
    std::vector<double> latencies;
    int missed = 0;
    QEventLoop loop;
    std::thread cameraThread([&] {
        for (int i = 0; i < pictures; ++i) {
            shown.Await(kColours[i % 2]);
            const camsim::SendResult sent = camera.Send(colouredPictures[i % 2]);
            const Clock::time_point acknowledged = Clock::now();
            if (sent.outcome != camsim::Outcome::Completed) {
                ++missed;
                continue;
            }
            if (const auto at = shown.WaitFor(1s)) {
                latencies.push_back(
                    std::chrono::duration<double, std::milli>(*at - acknowledged).count());
            } else {
                ++missed;
            }
            // 0 to 97 ms in steps of 7 (mod 100): every phase of the tick.
            camera.Pause(std::chrono::milliseconds((i * 37) % 100));
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    cameraThread.join();
    uitest::FindButton(&dialog, ControlId::kStop)->click();
    SpinUntil([&] { return !dialog.IsWorkerRunning(); }, 5s);
    dialog.PrepareExit();
    QFile::remove(QCoreApplication::applicationDirPath() + "/" + kDisplayName);

    std::printf("latency ms, final acknowledgement to the picture painted:");
    for (const double latency : latencies) {
        std::printf(" %.1f", latency);
    }
    std::printf("\n");
    std::printf("pictures: %zu shown, %d missed\n", latencies.size(), missed);
    if (!latencies.empty()) {
        std::printf("median %.2f ms, p90 %.2f ms, max %.2f ms\n", Percentile(latencies, 0.5),
                    Percentile(latencies, 0.9),
                    *std::max_element(latencies.begin(), latencies.end()));
    }
    std::printf("load average before / after: %s / %s\n", loadBefore.c_str(),
                LoadAverage().c_str());
    return latencies.empty() ? 1 : 0;
}
