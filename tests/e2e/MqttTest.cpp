// The program without a window publishing to an MQTT broker, as a service
// runs it: the real program on a pseudo-terminal with the camera simulator
// at the far end, a mosquitto of the test's own, and subscribers through
// libmosquitto.
#include "tests/e2e/BrowserView.h"
#include "tests/e2e/HeadlessProgram.h"
#include "tests/e2e/MqttBroker.h"
#include "tests/e2e/MqttSubscriber.h"
#include "tests/e2e/OpenWatch.h"
#include "tests/support/WaitUntil.h"
#include "tests/web/HttpClient.h"
#include "tests/web/TestPictures.h"

#include <csignal>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>

using namespace std::chrono_literals;
using namespace e2e;
using nlohmann::json;
using testsupport::ReadFile;

namespace {

const std::string kPrefix = "zelnor2/door";

std::string Shot(const testsupport::TempDir& folder, int number) {
    char name[32];
    std::snprintf(name, sizeof name, "shot%08d.jpg", number);
    return folder / name;
}

// A JSON message's payload, or null when it is not JSON.
json Parsed(const std::optional<MqttMessage>& message) {
    return message ? json::parse(message->payload, nullptr, false) : json();
}

// A state message whose totals have come this far.
auto StateWith(int good, int failed) {
    return [good, failed](const MqttMessage& message) {
        const json state = json::parse(message.payload, nullptr, false);
        return state.is_object() && state["totals"]["good"] == good &&
               state["totals"]["failed"] == failed;
    };
}

auto Payload(const std::string& expected) {
    return [expected](const MqttMessage& message) { return message.payload == expected; };
}

// The summary's good and failed pictures, from the program's standard error.
std::pair<int, int> SummaryCounts(const std::string& errors) {
    const std::regex summary("pictures: ([0-9]+) good, ([0-9]+) failed");
    std::smatch figures;
    if (!std::regex_search(errors, figures, summary)) {
        return {-1, -1};
    }
    return {std::stoi(figures[1]), std::stoi(figures[2])};
}

std::string LastPayload(const MqttSubscriber& subscriber, const std::string& topic) {
    const auto messages = subscriber.On(topic);
    return messages.empty() ? "nothing on " + topic : messages.back().payload;
}

// An unpaced camera that is patient with the program's answers: a run
// slowed down by a loaded machine is no failed picture.
camsim::CameraOptions Patient() {
    camsim::CameraOptions options = Unpaced();
    options.ackTimeout = std::chrono::seconds(3);
    return options;
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

class MqttProgramTest : public HeadlessProgramTest {
protected:
    std::unique_ptr<testsupport::ChildProcess> StartPublishing(const std::string& url,
                                                               std::vector<std::string> more = {}) {
        std::vector<std::string> options{"--capture", pictures / "shot.jpg",
                                         "--port",    "1",
                                         "--speed",   "115200",
                                         "--name",    "door",
                                         "--mqtt",    url,
                                         "--quiet"};
        options.insert(options.end(), more.begin(), more.end());
        return Start(options);
    }
};

} // namespace

// What the run stores is what the broker gets: every good picture as JPEG
// bytes equal to its file (the grey one made an upright JPEG), an event per
// stored and failed picture, the state with the run's totals, the camera
// online; a subscriber that comes late finds the newest of each retained,
// and Home Assistant's discovery with all it needs. The browser view's
// state tells that the broker is connected; a clean stop leaves the camera
// offline.
TEST_F(MqttProgramTest, TheBrokerGetsWhatTheRunStores) {
    MqttBroker broker;
    ASSERT_TRUE(broker.Running());
    MqttSubscriber early(broker.Port());
    ASSERT_TRUE(early.Subscribed());
    const std::uint16_t http = FreePort();
    auto program = StartPublishing(broker.Url(), {"--http", std::to_string(http)});
    ASSERT_TRUE(Listening(*program)) << program->Errors();
    ASSERT_TRUE(early.WaitFor(kPrefix + "/availability", Payload("online"))) << program->Errors();

    camsim::Camera camera(line.Master(), Patient());
    const auto first = Picture(5000, 61);
    const webtest::GreyPixels grey = webtest::MakeGreyPixels(160, 120);
    auto broken = Picture(3000, 62);
    broken.faults.cutShortAfter = 1000;
    const auto last = Picture(70000, 63);
    camera.Send(first);
    camera.Send(GreyPicture(grey));
    camera.Send(broken);
    camera.Send(last);
    ASSERT_TRUE(program->WaitForOutput(Shot(pictures, 3), 20s)) << program->Errors();

    ASSERT_TRUE(early.WaitFor(kPrefix + "/state", StateWith(3, 1)))
        << program->Errors() << LastPayload(early, kPrefix + "/state");
    ASSERT_TRUE(early.WaitFor(kPrefix + "/picture", Payload(ReadFile(Shot(pictures, 3)))));
    // Pictures may be skipped for a newer one, never changed.
    for (const MqttMessage& picture : early.On(kPrefix + "/picture")) {
        const bool isFirst = picture.payload == ReadFile(Shot(pictures, 0));
        const bool isLast = picture.payload == ReadFile(Shot(pictures, 3));
        if (!isFirst && !isLast) {
            EXPECT_LT(webtest::MeanDifference(webtest::DecodeGrey(picture.payload), grey), 3.0)
                << "a grey picture goes out as an upright JPEG";
        }
    }
    EXPECT_EQ(ReadFile(Shot(pictures, 1)).substr(0, 2), "BM") << "the file stays BMP";

    // One event per stored and failed picture, in order.
    ASSERT_TRUE(early.WaitFor(kPrefix + "/event", [](const MqttMessage& message) {
        return Parsed(message)["number"] == 3;
    }));
    std::vector<json> events;
    for (const MqttMessage& message : early.On(kPrefix + "/event")) {
        EXPECT_FALSE(message.retained);
        events.push_back(Parsed(message));
    }
    ASSERT_EQ(events.size(), 4u);
    const char* kinds[] = {"stored", "stored", "failed", "stored"};
    for (std::size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(events[i]["event"], kinds[i]) << i;
        EXPECT_EQ(events[i]["number"], i) << i;
    }
    EXPECT_EQ(events[0]["file"], "shot00000000.jpg");
    EXPECT_EQ(events[0]["bytes"], 5000);
    EXPECT_EQ(events[1]["kind"], "bmp");
    EXPECT_EQ(events[2]["cause"], "cut-short");

    const json viewState = json::parse(webtest::Request(http, "GET", "/state").body);
    EXPECT_EQ(viewState["mqtt"]["connected"], true);
    EXPECT_EQ(viewState["name"], "door");

    // A subscriber that comes now finds the newest of everything retained.
    MqttSubscriber late(broker.Port());
    ASSERT_TRUE(late.Subscribed());
    const auto picture = late.WaitFor(kPrefix + "/picture");
    ASSERT_TRUE(picture.has_value());
    EXPECT_TRUE(picture->retained);
    EXPECT_EQ(picture->payload, ReadFile(Shot(pictures, 3)));
    const json state = Parsed(late.WaitFor(kPrefix + "/state"));
    EXPECT_EQ(state["totals"]["good"], 3);
    EXPECT_EQ(state["newest"]["file"], "shot00000003.jpg");
    EXPECT_EQ(state["mqtt"]["connected"], true);
    EXPECT_EQ(late.WaitFor(kPrefix + "/availability")->payload, "online");

    // Discovery: one device, a camera on the picture topic, sensors on the
    // state, each with what Home Assistant needs to take it.
    ASSERT_TRUE(late.WaitFor("homeassistant/sensor/zelnor2_door/efficiency/config"));
    const auto configs = late.Below("homeassistant/");
    ASSERT_EQ(configs.size(), 5u);
    std::set<std::string> uniqueIds;
    int cameras = 0;
    for (const MqttMessage& message : configs) {
        SCOPED_TRACE(message.topic);
        EXPECT_TRUE(message.retained);
        EXPECT_TRUE(std::regex_match(message.topic,
                                     std::regex("homeassistant/(camera|sensor)/[A-Za-z0-9_-]+/"
                                                "[A-Za-z0-9_-]+/config")));
        const json config = json::parse(message.payload);
        uniqueIds.insert(config["unique_id"].get<std::string>());
        EXPECT_EQ(config["availability_topic"], kPrefix + "/availability");
        EXPECT_EQ(config["device"]["identifiers"], json::array({"zelnor2_door"}));
        EXPECT_EQ(config["device"]["name"], "door");
        EXPECT_FALSE(config["device"]["sw_version"].get<std::string>().empty());
        if (message.topic.starts_with("homeassistant/camera/")) {
            ++cameras;
            EXPECT_EQ(config["topic"], kPrefix + "/picture");
        } else {
            EXPECT_EQ(config["state_topic"], kPrefix + "/state");
            EXPECT_TRUE(config["value_template"].get<std::string>().starts_with("{{ value_json."));
        }
    }
    EXPECT_EQ(cameras, 1);
    EXPECT_EQ(uniqueIds.size(), configs.size()) << "every entity has an id of its own";

    program->Signal(SIGTERM);
    ASSERT_EQ(program->Wait(20s), 0) << program->Errors();
    EXPECT_EQ(SummaryCounts(program->Errors()), std::make_pair(3, 1));
    EXPECT_TRUE(early.WaitFor(kPrefix + "/availability", Payload("offline")));
    MqttSubscriber after(broker.Port());
    ASSERT_TRUE(after.Subscribed());
    EXPECT_TRUE(after.WaitFor(kPrefix + "/availability", Payload("offline")));
}

// A broker that hangs, then dies, then comes back on the same port: the
// camera goes on and every picture is stored; the journal tells once that
// the broker is lost and once that it is back; then the camera is online
// again with the run's state, counts unchanged, and its newest picture. One
// that hangs when the program stops does not keep it from ending.
TEST_F(MqttProgramTest, ABrokerThatHangsOrDiesCostsTheCameraNothing) {
    MqttBroker broker;
    ASSERT_TRUE(broker.Running());
    auto program = StartPublishing(broker.Url());
    ASSERT_TRUE(Listening(*program)) << program->Errors();
    ASSERT_TRUE(program->WaitForErrors("is connected", 20s)) << program->Errors();
    camsim::Camera camera(line.Master(), Unpaced());
    int sent = 0;
    const auto send = [&](int pictures) {
        for (int i = 0; i < pictures; ++i, ++sent) {
            camera.Send(StreamedPicture(20 * 1024, 700 + sent));
        }
    };
    send(3);
    {
        MqttSubscriber watching(broker.Port());
        ASSERT_TRUE(watching.Subscribed());
        ASSERT_TRUE(watching.WaitFor(kPrefix + "/state", StateWith(3, 0)));
    }

    broker.Freeze();
    send(10);
    ASSERT_TRUE(program->WaitForOutput(Shot(pictures, sent - 1), 30s)) << program->Errors();
    broker.Kill();
    ASSERT_TRUE(program->WaitForErrors("is lost", 60s)) << program->Errors();
    send(3);
    ASSERT_TRUE(program->WaitForOutput(Shot(pictures, sent - 1), 30s)) << program->Errors();

    ASSERT_TRUE(broker.Start());
    MqttSubscriber back(broker.Port());
    ASSERT_TRUE(back.Subscribed());
    EXPECT_TRUE(back.WaitFor(kPrefix + "/availability", Payload("online"), 60s));
    EXPECT_TRUE(back.WaitFor(kPrefix + "/state", StateWith(sent, 0), 60s));
    EXPECT_TRUE(back.WaitFor(kPrefix + "/picture", Payload(ReadFile(Shot(pictures, sent - 1)))));
    EXPECT_TRUE(back.WaitFor("homeassistant/camera/zelnor2_door/picture/config"));
    for (int i = 0; i < sent; ++i) {
        EXPECT_EQ(ReadFile(Shot(pictures, i)), AsText(StreamedPicture(20 * 1024, 700 + i))) << i;
    }

    // A broker that hangs at the end does not hold the program up (the
    // keep-alive alone would take longer than the limit here).
    broker.Freeze();
    program->Signal(SIGTERM);
    ASSERT_EQ(program->Wait(20s), 0) << program->Errors();
    EXPECT_EQ(SummaryCounts(program->Errors()), std::make_pair(sent, 0));
    EXPECT_EQ(Count(program->Errors(), "is lost"), 1u) << program->Errors();
    EXPECT_EQ(Count(program->Errors(), "is connected"), 1u) << program->Errors();
    EXPECT_EQ(Count(program->Errors(), "is back"), 1u) << program->Errors();
}

// A broker that is not there when the run starts does not stop it: the
// pictures are stored, and once the broker comes the state and the newest
// picture are there.
TEST_F(MqttProgramTest, ABrokerAbsentAtTheStartIsFoundLater) {
    MqttBroker broker(MqttBroker::NotStarted{});
    auto program = StartPublishing(broker.Url());
    ASSERT_TRUE(Listening(*program)) << program->Errors();
    camsim::Camera camera(line.Master(), Patient());
    camera.Send(Picture(4000, 81));
    camera.Send(Picture(6000, 82));
    ASSERT_TRUE(program->WaitForOutput(Shot(pictures, 1), 20s)) << program->Errors();

    ASSERT_TRUE(broker.Start());
    MqttSubscriber subscriber(broker.Port());
    ASSERT_TRUE(subscriber.Subscribed());
    EXPECT_TRUE(subscriber.WaitFor(kPrefix + "/state", StateWith(2, 0), 60s)) << program->Errors();
    EXPECT_TRUE(subscriber.WaitFor(kPrefix + "/picture", Payload(ReadFile(Shot(pictures, 1)))));
    program->Signal(SIGTERM);
    EXPECT_EQ(program->Wait(20s), 0) << program->Errors();
    EXPECT_EQ(Count(program->Errors(), "is not reached"), 1u) << program->Errors();
    EXPECT_EQ(Count(program->Errors(), "is connected"), 1u) << program->Errors();
}

// Access to a broker that asks for a password (from a file, never the
// command line) and to one that speaks TLS only, checking the program's
// client certificate as the program checks the broker's.
TEST_F(MqttProgramTest, APasswordFileAndTlsOpenTheBroker) {
    {
        SCOPED_TRACE("password");
        testsupport::TempDir secrets;
        const std::string passwords = secrets / "passwords";
        ASSERT_EQ(std::system(("mosquitto_passwd -c -b " + passwords + " camera secret").c_str()),
                  0);
        MqttBroker broker("allow_anonymous false\npassword_file " + passwords + "\n");
        ASSERT_TRUE(broker.Running());
        testsupport::WriteFile(secrets / "password", "secret\n");
        auto program = StartPublishing(
            broker.Url(), {"--mqtt-user", "camera", "--mqtt-password-file", secrets / "password"});
        MqttSubscriber subscriber(broker.Port(), {"camera", "secret"});
        ASSERT_TRUE(subscriber.Subscribed());
        EXPECT_TRUE(subscriber.WaitFor(kPrefix + "/availability", Payload("online")))
            << program->Errors();
        program->Signal(SIGTERM);
        EXPECT_EQ(program->Wait(20s), 0) << program->Errors();
    }
    {
        SCOPED_TRACE("TLS");
        testsupport::TempDir keys;
        const std::string make =
            "cd " + keys.Path() +
            " && (openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=test-ca"
            " -keyout ca.key -out ca.pem"
            " && openssl req -newkey rsa:2048 -nodes -subj /CN=127.0.0.1 -keyout broker.key"
            " -out broker.csr"
            " && printf 'subjectAltName=IP:127.0.0.1\\n' > broker.ext"
            " && openssl x509 -req -in broker.csr -CA ca.pem -CAkey ca.key -CAcreateserial"
            " -days 2 -extfile broker.ext -out broker.pem"
            " && openssl req -newkey rsa:2048 -nodes -subj /CN=camera -keyout client.key"
            " -out client.csr"
            " && openssl x509 -req -in client.csr -CA ca.pem -CAkey ca.key -CAcreateserial"
            " -days 2 -out client.pem) >/dev/null 2>&1";
        ASSERT_EQ(std::system(make.c_str()), 0);
        const std::uint16_t plain = FreePort();
        MqttBroker broker("cafile " + (keys / "ca.pem") + "\ncertfile " + (keys / "broker.pem") +
                          "\nkeyfile " + (keys / "broker.key") +
                          "\nrequire_certificate true\nallow_anonymous true\nlistener " +
                          std::to_string(plain) + " 127.0.0.1\n");
        ASSERT_TRUE(broker.Running());
        ASSERT_TRUE(testsupport::WaitUntil([&] { return Accepts(plain); }));
        MqttSubscriber subscriber(plain);
        ASSERT_TRUE(subscriber.Subscribed());
        auto program = StartPublishing("mqtts://127.0.0.1:" + std::to_string(broker.Port()),
                                       {"--mqtt-ca", keys / "ca.pem", "--mqtt-cert",
                                        keys / "client.pem", "--mqtt-key", keys / "client.key"});
        EXPECT_TRUE(subscriber.WaitFor(kPrefix + "/availability", Payload("online")))
            << program->Errors();
        program->Signal(SIGTERM);
        EXPECT_EQ(program->Wait(20s), 0) << program->Errors();
    }
}

// A broker URL, password file or certificate that cannot be used is a
// mistake in the command line: status 64, naming it, before the serial
// port is touched.
TEST_F(MqttProgramTest, UnusableBrokerSettingsEndTheStartBeforeThePort) {
    const std::string missing = work / "missing";
    testsupport::WriteFile(work / "present", "x");
    const std::vector<std::vector<std::string>> cases = {
        {"--mqtt", "http://127.0.0.1:1883"},
        {"--mqtt", "mqtt://127.0.0.1:70000"},
        {"--mqtt", "mqtt://127.0.0.1/path"},
        {"--mqtt", "mqtt://127.0.0.1", "--mqtt-user", "camera", "--mqtt-password-file", missing},
        {"--mqtt", "mqtts://127.0.0.1", "--mqtt-ca", missing},
        {"--mqtt", "mqtts://127.0.0.1", "--mqtt-cert", missing, "--mqtt-key", missing},
        {"--mqtt", "mqtt://127.0.0.1", "--mqtt-ca", work / "present"},
        {"--mqtt-topic", "cameras/door"},
        {"--mqtt", "mqtt://127.0.0.1", "--mqtt-topic", "cameras/+"},
    };
    OpenWatch watch(line.SlavePath());
    ASSERT_TRUE(watch.Watching());
    for (const auto& options : cases) {
        std::vector<std::string> arguments{
            "--capture", pictures / "shot.jpg", "--port", "1", "--speed", "115200"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        SCOPED_TRACE(options[1]);
        auto refused = Start(arguments);
        EXPECT_EQ(refused->Wait(10s), 64) << refused->Errors();
        const std::string& named = options.size() > 2 ? options.back() : options[1];
        if (named == missing) {
            EXPECT_NE(refused->Errors().find(missing), std::string::npos) << refused->Errors();
        }
    }
    watch.Take(0ms);
    EXPECT_EQ(watch.Opens(), 0) << "the port was touched";
}
