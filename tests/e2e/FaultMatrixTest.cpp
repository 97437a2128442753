// A series of pictures through the capture worker with every fault the camera
// simulator knows: what arrives whole is stored byte for byte, what is
// damaged is refused, and every attempt uses up its number.

#include "DeletionWatch.h"
#include "FaultSeries.h"
#include "tests/support/LinkedPort.h"
#include "tests/support/RunRecorder.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"
#include "tools/camsim/Camera.h"
#include "transfer/CaptureNaming.h"
#include "transfer/EventWords.h"
#include "transfer/WorkerContext.h"
#include "transfer/WorkerThread.h"
#include "transfer/Workers.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using faultmatrix::Describe;
using faultmatrix::FaultCase;
using testsupport::ReadFile;
using testsupport::WaitUntil;

namespace {

constexpr std::uint32_t kDefaultSeed = 20240611;

// The seed of the series: fixed, or another one to explore with.
std::uint32_t Seed() {
    const char* chosen = std::getenv("ZELNOR2_FAULT_SEED");
    return chosen != nullptr ? static_cast<std::uint32_t>(std::strtoul(chosen, nullptr, 10))
                             : kDefaultSeed;
}

std::vector<std::uint8_t> Photograph() {
    const std::string bytes =
        ReadFile(std::string(ZELNOR2_TEST_PICTURES_DIR) + "/ladybird-320x240.jpg");
    return {bytes.begin(), bytes.end()};
}

std::string AsText(const std::vector<std::uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// The files the worker tells of as new pictures, in order.
class Announcements final : public transfer::RunListener {
public:
    void OnRunEvent(const transfer::RunEvent& event) override {
        events.OnRunEvent(event);
        if (const auto* picture = std::get_if<transfer::PictureStored>(&event)) {
            std::lock_guard guard(lock);
            files.push_back(picture->file);
            newest = picture->picture;
        }
    }
    // The bytes of the newest good picture, as its event carried them.
    std::string NewestBytes() const {
        std::lock_guard guard(lock);
        return newest ? std::string(newest->bytes.begin(), newest->bytes.end()) : std::string();
    }
    std::vector<std::string> Files() const {
        std::lock_guard guard(lock);
        return files;
    }
    bool Holds(const std::string& file) const {
        std::lock_guard guard(lock);
        return std::find(files.begin(), files.end(), file) != files.end();
    }

    testsupport::RunRecorder events;

private:
    mutable std::mutex lock;
    std::vector<std::string> files;
    std::shared_ptr<const transfer::Picture> newest;
};

class FaultMatrixTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(deletions.Watching());
        context.port = line.PortNumber();
        context.speed = 115200;
        context.deleteCorrupted = 1;
        ASSERT_TRUE(context.SetCaptureBasePath(pictures / "shot.jpg"));
        ASSERT_TRUE(context.SetDisplayFileName(pictures / "temp.jpg"));
        ASSERT_TRUE(worker.Start(ContinuousCaptureWorker, context, announced));
        ASSERT_TRUE(announced.events.WaitFor<transfer::WaitingForHeader>(1, 20s));
    }
    void TearDown() override { StopWorker(); }
    void StopWorker() {
        worker.RequestStop();
        worker.Join();
    }

    std::string LastWord() const {
        const auto events = announced.events.Events();
        return events.empty() ? "none" : std::string(transfer::EventName(events.back()));
    }

    // Why the receiver gave up the picture of this number, in its words, and
    // how far it got with it.
    std::string WhyGivenUp(std::uint64_t number) const {
        // The picture's size as its last progress told it; 0 before any.
        transfer::Progress lastProgress{};
        for (const transfer::RunEvent& event : announced.events.Events()) {
            if (const auto* progress = std::get_if<transfer::Progress>(&event)) {
                lastProgress = *progress;
            }
            const auto* failed = std::get_if<transfer::PictureFailed>(&event);
            if (failed != nullptr && failed->number == number) {
                std::string why = transfer::FailureDescription(*failed) + ", " +
                                  std::to_string(failed->figures.payloadBytes) + " bytes taken";
                why += " of " + std::to_string(lastProgress.expected) + " announced for " +
                       std::to_string(lastProgress.width) + "x" +
                       std::to_string(lastProgress.height);
                return why;
            }
            if (std::holds_alternative<transfer::PictureStored>(event) ||
                std::holds_alternative<transfer::PictureFailed>(event)) {
                lastProgress = {};
            }
        }
        return "not told";
    }

    std::string Numbered(std::uint64_t number) const {
        return transfer::NumberedPath(pictures / "shot.jpg", number);
    }

    // Sends one picture and waits until the receiver is done with it: a good
    // one is announced; a refused one whose header was taken has its file
    // deleted as the receiver gives up, which for a picture short of bytes
    // only happens after its empty reads; until then the next picture would
    // be read as the missing bytes. Behind a refused header the receiver
    // searches on through the stream, so nothing need be awaited.
    // False when the receiver did neither: it is then out of step with the
    // camera, and the pictures after this one would tell nothing more.
    bool Send(const FaultCase& pictureCase, std::uint64_t number, camsim::SendResult& sent) {
        camsim::CameraOptions options;
        options.bitsPerSecond = pictureCase.bitsPerSecond;
        options.ackTimeout = pictureCase.ackTimeout;
        camsim::Camera camera(line.Master(), options);
        sent = camera.Send(pictureCase.picture);
        const std::string file = Numbered(number);
        if (pictureCase.intact) {
            return WaitUntil([&] { return announced.Holds(file); }, 20s);
        }
        return !pictureCase.HeaderPasses() ||
               deletions.WaitFor(std::filesystem::path(file).filename(), 20s);
    }

    testsupport::LinkedPort line{1};
    testsupport::TempDir pictures;
    faultmatrix::DeletionWatch deletions{pictures.Path()};
    WorkerContext context;
    WorkerThread worker;
    Announcements announced;
};

} // namespace

TEST_F(FaultMatrixTest, EveryPictureIsStoredWholeOrRefused) {
    const std::uint32_t seed = Seed();
    std::printf("fault matrix seed %u (set ZELNOR2_FAULT_SEED to draw another series)\n", seed);
    const std::vector<FaultCase> series = faultmatrix::MakeFaultSeries(seed, Photograph());

    std::map<std::uint64_t, const FaultCase*> goodByNumber;
    std::map<std::uint64_t, const FaultCase*> caseOfNumber;
    std::uint64_t number = 0;
    std::size_t sentCount = 0;
    const auto started = std::chrono::steady_clock::now();
    for (const FaultCase& pictureCase : series) {
        camsim::SendResult sent;
        const bool settled = Send(pictureCase, number, sent);
        std::printf("  number %llu: %s; camera: %s\n", static_cast<unsigned long long>(number),
                    Describe(pictureCase).c_str(), camsim::OutcomeName(sent.outcome));
        if (!settled) {
            const std::string file = Numbered(number);
            const bool gaveUp = deletions.WaitFor(std::filesystem::path(file).filename(), 0ms);
            ADD_FAILURE() << Describe(pictureCase) << ": " << file
                          << (gaveUp ? " was given up (" + WhyGivenUp(number) + ")"
                                     : " was neither announced nor given up")
                          << "; the receiver's last word: " << LastWord() << "; the camera heard "
                          << sent.unexpected.size() << " unexpected bytes and kept the line quiet "
                          << sent.longestQuiet.count()
                          << " ms at the longest. The series stops here.";
            break;
        }
        ++sentCount;
        if (pictureCase.intact) {
            EXPECT_EQ(sent.outcome, camsim::Outcome::Completed) << Describe(pictureCase);
            goodByNumber[number] = &pictureCase;
        }
        for (int i = 0; i < pictureCase.attempts; ++i) {
            caseOfNumber[number + static_cast<std::uint64_t>(i)] = &pictureCase;
        }
        number += static_cast<std::uint64_t>(pictureCase.attempts);
    }
    // The series closes with a clean picture; once it is announced, every
    // picture before it has been dealt with.
    StopWorker();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    // Every announced file must be the intact picture of its number.
    int intact = 0;
    int corruptedReported = 0;
    int misnumbered = 0;
    std::set<std::uint64_t> announcedNumbers;
    for (const std::string& file : announced.Files()) {
        std::uint64_t at = 0;
        while (at < number && Numbered(at) != file) {
            ++at;
        }
        const auto good = goodByNumber.find(at);
        const std::string held = ReadFile(file);
        if (good != goodByNumber.end() && held == AsText(good->second->picture.data)) {
            ++intact;
            announcedNumbers.insert(at);
            continue;
        }
        const bool someonesPicture =
            std::any_of(goodByNumber.begin(), goodByNumber.end(), [&](const auto& entry) {
                return held == AsText(entry.second->picture.data);
            });
        if (someonesPicture) {
            ++misnumbered;
            ADD_FAILURE() << file << " holds a good picture under the wrong number";
        } else {
            // A damaged picture taken for a good one (even when its bytes
            // happen to be those sent), or a good one stored wrongly.
            ++corruptedReported;
            const auto owner = caseOfNumber.find(at);
            const std::string why = owner == caseOfNumber.end() ? "no picture has its number"
                                    : owner->second->intact ? "it holds other bytes than were sent"
                                                            : "it had to be refused";
            ADD_FAILURE() << file << " was announced as a good picture, but " << why
                          << (owner != caseOfNumber.end() ? ": " + Describe(*owner->second)
                                                          : std::string());
        }
    }
    for (const auto& [goodNumber, pictureCase] : goodByNumber) {
        EXPECT_TRUE(announcedNumbers.count(goodNumber) == 1)
            << Describe(*pictureCase) << " was not announced as " << Numbered(goodNumber);
    }

    // Refused pictures leave nothing behind: the folder holds the good
    // pictures only (the display file is written by the run's listeners).
    std::set<std::string> expectedFiles;
    for (const auto& entry : goodByNumber) {
        expectedFiles.insert(std::filesystem::path(Numbered(entry.first)).filename());
    }
    std::set<std::string> presentFiles;
    for (const auto& entry : std::filesystem::directory_iterator(pictures.Path())) {
        presentFiles.insert(entry.path().filename());
    }
    EXPECT_EQ(presentFiles, expectedFiles);
    EXPECT_EQ(announced.NewestBytes(), AsText(series.back().picture.data))
        << "the newest good picture travels in its event";

    std::map<std::string, int> refused;
    int refusedCount = 0;
    int leftoverHeaders = 0;
    for (std::size_t i = 0; i < sentCount; ++i) {
        const FaultCase& pictureCase = series[i];
        leftoverHeaders += pictureCase.attempts - 1;
        if (!pictureCase.intact) {
            ++refused[faultmatrix::RefusalGroup(pictureCase.fault)];
            ++refusedCount;
        }
    }
    std::string groups;
    for (const auto& [group, count] : refused) {
        groups += (groups.empty() ? "" : ", ") + group + " " + std::to_string(count);
    }
    std::printf("pictures %zu, numbers used %llu: intact %d, refused %d (%s), false headers in "
                "leftover bytes %d, misnumbered %d, corrupted reported as success %d; %.1f s\n",
                sentCount, static_cast<unsigned long long>(number), intact, refusedCount,
                groups.c_str(), leftoverHeaders, misnumbered, corruptedReported, seconds);
    EXPECT_EQ(corruptedReported, 0);
    EXPECT_EQ(misnumbered, 0);
}
