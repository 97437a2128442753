// What a capture costs in a folder that holds many pictures already: the
// start (the pass over the folder for the highest number; with retention
// also the pass that takes in every picture's size and time), and each
// picture (its file created exclusively and written, and with retention on
// the retention's share: the picture taken into its index and, once the size
// limit is reached, the oldest deleted). The camera is left out: a picture
// here is 1000 bytes written at once.
//
//   bench_capture_folder [pictures present (1000000)] [pictures per run (5000)] [index]
//   (index: only the retention index's share, without the disk)
//
// Per picture, "worker" is what the capture's thread spends; "until taken in"
// runs until the retention's thread has also dealt with the last picture.
#include "tests/support/TempDir.h"
#include "transfer/CaptureCounter.h"
#include "transfer/CaptureNaming.h"
#include "transfer/KeptPictures.h"
#include "transfer/PictureRetention.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

// Empty numbered files 0 to count - 1, as an earlier run would have left
// them (with their contents, which the start does not read).
void FillFolder(const std::string& basePath, std::uint64_t count) {
    for (std::uint64_t number = 0; number < count; ++number) {
        const int file = ::open(transfer::NumberedPath(basePath, number).c_str(),
                                O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (file < 0) {
            std::perror("create");
            std::exit(1);
        }
        ::close(file);
    }
}

void WaitUntilTakenIn(const transfer::PictureRetention& retention, std::uint64_t count) {
    while (retention.Figures().keptCount < count) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// Stores pictures as the capture worker does (an exclusive create under the
// next free number, the bytes, the close) and tells the retention, if any:
// the worker's time per picture in microseconds, the median of five batches
// (the disk is shared, and one slow moment should not make the figure).
double StorePictures(transfer::CaptureCounter& counter, transfer::PictureRetention* retention,
                     int pictures) {
    const std::string bytes(1000, 'p');
    constexpr int kBatches = 5;
    std::vector<double> perPicture;
    for (int batch = 0; batch < kBatches; ++batch) {
        const int count = pictures / kBatches;
        const auto start = Clock::now();
        for (int i = 0; i < count; ++i) {
            platform::File file;
            const auto claimed = counter.Claim(file);
            if (!claimed || !file.Write(bytes.data(), bytes.size()) || !file.Close()) {
                std::fprintf(stderr, "cannot store a picture\n");
                std::exit(1);
            }
            if (retention != nullptr) {
                retention->OnRunEvent(transfer::PictureStored{claimed->number,
                                                              claimed->path,
                                                              transfer::PictureKind::Jpeg,
                                                              640,
                                                              480,
                                                              1000,
                                                              {},
                                                              nullptr});
            }
        }
        perPicture.push_back(SecondsSince(start) * 1e6 / count);
    }
    std::sort(perPicture.begin(), perPicture.end());
    return perPicture[kBatches / 2];
}

// The retention index's own share of a picture, without the disk: a picture
// taken in and the oldest offered and removed, with present pictures held.
void IndexCost(std::uint64_t present) {
    transfer::KeptPictures kept;
    const auto base = std::chrono::system_clock::now() - std::chrono::hours(24);
    for (std::uint64_t number = 0; number < present; ++number) {
        kept.Add({number, 1000, base + std::chrono::milliseconds(number)});
    }
    constexpr int kRounds = 200000;
    const auto start = Clock::now();
    for (int i = 0; i < kRounds; ++i) {
        const std::uint64_t number = present + static_cast<std::uint64_t>(i);
        kept.Add({number, 1000, base + std::chrono::milliseconds(number)});
        kept.Remove(kept.OldestDeletable()->number);
    }
    std::printf("index of %llu: a picture in and the oldest out in %.2f us\n",
                static_cast<unsigned long long>(present), SecondsSince(start) * 1e6 / kRounds);
}

// Every figure for a folder that holds present pictures at the start.
void Measure(std::uint64_t present, int pictures) {
    std::printf("\n%llu pictures present, %d stored per run:\n",
                static_cast<unsigned long long>(present), pictures);
    testsupport::TempDir dir;
    const std::string basePath = dir / "shot.jpg";

    auto start = Clock::now();
    FillFolder(basePath, present);
    std::printf("folder of %llu empty pictures made in %.1f s\n",
                static_cast<unsigned long long>(present), SecondsSince(start));

    // Twice: the first pass may find the folder's entries out of the cache.
    for (int pass = 1; pass <= 2; ++pass) {
        start = Clock::now();
        transfer::CaptureCounter counter(basePath, 0);
        std::printf("start, pass %d: highest number found in %.3f s (next %llu)\n", pass,
                    SecondsSince(start), static_cast<unsigned long long>(counter.Next()));
    }

    transfer::CaptureCounter counter(basePath, 0);
    std::printf("per picture without retention: %.1f us\n",
                StorePictures(counter, nullptr, pictures));

    {
        // Pictures of up to 30 days stay: the retention keeps all and only
        // takes each new picture in.
        const long residentBefore = ResidentKiB();
        transfer::RetentionSettings settings;
        settings.basePath = basePath;
        settings.rules.maxAge = std::chrono::days(30);
        transfer::PictureRetention retention(std::move(settings));
        start = Clock::now();
        retention.Start();
        WaitUntilTakenIn(retention, counter.Next());
        std::printf("retention start: %llu pictures taken in in %.2f s, index %ld KiB\n",
                    static_cast<unsigned long long>(retention.Figures().keptCount),
                    SecondsSince(start), ResidentKiB() - residentBefore);
        const std::uint64_t before = retention.Figures().keptCount;
        start = Clock::now();
        const double worker = StorePictures(counter, &retention, pictures);
        WaitUntilTakenIn(retention, before + static_cast<std::uint64_t>(pictures));
        std::printf("per picture with retention, nothing to delete: worker %.1f us, "
                    "until taken in %.1f us\n",
                    worker, SecondsSince(start) * 1e6 / pictures);
    }
    {
        // A size limit just below what is there: from now on every picture
        // costs the deletion of the oldest (the first deletions find the
        // earlier run's empty files, which take no room, and go on to the
        // 1000-byte ones).
        transfer::RetentionSettings settings;
        settings.basePath = basePath;
        settings.rules.maxBytes = static_cast<std::uint64_t>(pictures) * 2 * 1000 - 1;
        transfer::PictureRetention retention(std::move(settings));
        start = Clock::now();
        retention.Start();
        // Every empty file goes first, then the oldest picture stored.
        while (retention.Figures().keptCount != static_cast<std::uint64_t>(pictures) * 2 - 1) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        std::printf("retention with a size limit: %llu earlier pictures deleted in %.1f s\n",
                    static_cast<unsigned long long>(retention.Figures().deleted.count),
                    SecondsSince(start));
        const std::uint64_t deletedBefore = retention.Figures().deleted.count;
        start = Clock::now();
        const double worker = StorePictures(counter, &retention, pictures);
        while (retention.Figures().deleted.count < deletedBefore + pictures) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        std::printf("per picture with retention deleting the oldest: worker %.1f us, "
                    "until taken in and one deleted %.1f us\n",
                    worker, SecondsSince(start) * 1e6 / pictures);
    }
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    const std::uint64_t present = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000;
    const int pictures = argc > 2 ? std::atoi(argv[2]) : 5000;
    const bool indexOnly = argc > 3 && std::string(argv[3]) == "index";
    if (!indexOnly) {
        // The same with an empty folder first, for a picture's cost to compare.
        Measure(0, pictures);
        Measure(present, pictures);
    }
    IndexCost(1000);
    IndexCost(present);
    return 0;
}
