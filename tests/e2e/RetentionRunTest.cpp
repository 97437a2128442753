// Capture left alone, as a service runs it for months: restarts that find
// the pictures of the runs before, and the oldest pictures deleted to stay
// within the limits.
#include "tests/e2e/BrowserView.h"
#include "tests/e2e/HeadlessProgram.h"
#include "tests/support/EarlierRun.h"
#include "tests/support/NumberedNames.h"
#include "tests/support/WaitUntil.h"
#include "tests/web/HttpClient.h"
#include "transfer/CaptureNaming.h"

#include <csignal>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>

using namespace std::chrono_literals;
using namespace e2e;
using testsupport::FilesIn;
using testsupport::NumberedShots;
using testsupport::ReadFile;

// A restart (the service's, after a reboot or a missing adapter) goes on
// after the pictures of the run before instead of writing over them.
TEST_F(HeadlessProgramTest, ASecondRunLeavesTheFirstRunsPicturesAsTheyAre) {
    std::vector<std::string> stored;
    for (std::uint32_t run = 0; run < 2; ++run) {
        SCOPED_TRACE("run " + std::to_string(run + 1));
        auto program = Start({"--capture", pictures / "shot.jpg", "--port", "1", "--speed",
                              "115200", "--count", "2"});
        ASSERT_TRUE(Listening(*program)) << program->Errors();
        camsim::Camera camera(line.Master(), Unpaced());
        for (std::uint32_t seed = 0; seed < 2; ++seed) {
            camera.Send(Picture(3000 + 1000 * seed, 10 * run + seed));
        }
        ASSERT_EQ(program->Wait(20s), 0) << program->Errors();
        for (const std::string& file : program->OutputLines()) {
            stored.push_back(file);
        }
    }
    EXPECT_EQ(stored, (std::vector<std::string>{
                          pictures / "shot00000000.jpg", pictures / "shot00000001.jpg",
                          pictures / "shot00000002.jpg", pictures / "shot00000003.jpg"}));
    EXPECT_EQ(ReadFile(pictures / "shot00000000.jpg"), AsText(Picture(3000, 0)));
    EXPECT_EQ(ReadFile(pictures / "shot00000001.jpg"), AsText(Picture(4000, 1)));
    EXPECT_EQ(ReadFile(pictures / "shot00000003.jpg"), AsText(Picture(4000, 11)));
}

// A folder with a thousand pictures of an earlier run, the first 300 older
// than --keep-days; with --keep-size the oldest then go until all take no
// more than the size. Files of other names stay, however old; the deletions
// are told in a line now and then, and the browser view's state shows what
// is kept.
TEST_F(HeadlessProgramTest, RetentionLeavesExactlyTheNewestWithinTheLimits) {
    const std::set<std::string> strangers = testsupport::WriteEarlierRun(pictures);

    const std::uint16_t port = FreePort();
    auto program =
        Start({"--capture", pictures / "shot.jpg", "--port", "1", "--speed", "115200",
               "--keep-days", "30", "--keep-size", "60000", "--http", std::to_string(port)});
    ASSERT_TRUE(Listening(*program)) << program->Errors();
    camsim::Camera camera(line.Master(), Unpaced());
    for (std::uint32_t seed = 0; seed < 3; ++seed) {
        camera.Send(Picture(5000, seed));
    }
    ASSERT_TRUE(program->WaitForOutput(pictures / "shot00001002.jpg", 20s)) << program->Errors();
    // 300 too old; of the 70000 bytes left and 15000 new, the 250 oldest go.
    nlohmann::json kept;
    EXPECT_TRUE(testsupport::WaitUntil([&] {
        kept = nlohmann::json::parse(webtest::Request(port, "GET", "/state").body)["kept"];
        return kept.is_object() && kept["count"] == 453;
    })) << kept.dump();
    EXPECT_EQ(kept["bytes"], 60000);
    EXPECT_EQ(kept["deleted"], 550);
    program->Signal(SIGTERM);
    ASSERT_EQ(program->Wait(20s), 0) << program->Errors();

    std::set<std::string> left = NumberedShots(550, 1002);
    left.insert(strangers.begin(), strangers.end());
    EXPECT_EQ(FilesIn(pictures.Path()), left);
    const std::regex told("deleted ([0-9]+) old pictures \\(([0-9]+) bytes\\)");
    std::uint64_t count = 0;
    std::uint64_t bytes = 0;
    int lines = 0;
    const std::string errors = program->Errors();
    for (auto it = std::sregex_iterator(errors.begin(), errors.end(), told);
         it != std::sregex_iterator(); ++it, ++lines) {
        count += std::stoull((*it)[1]);
        bytes += std::stoull((*it)[2]);
    }
    EXPECT_EQ(count, 550u) << errors;
    EXPECT_EQ(bytes, 55000u);
    EXPECT_LE(lines, 2) << "now and then, not a line per file";
}
