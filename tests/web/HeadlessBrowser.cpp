#include "HeadlessBrowser.h"

#include "TestPictures.h"

#include "web/Users.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace webtest {

bool HeadlessBrowser::Installed() {
    return ::access(kProgram, X_OK) == 0;
}

HeadlessBrowser::HeadlessBrowser(const std::string& url, int width, int height) {
    char folder[] = "/tmp/zelnor2-chromium-XXXXXX";
    if (::mkdtemp(folder) == nullptr) {
        return;
    }
    profile = folder;
    int in[2];
    int out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) {
        return;
    }
    const std::vector<std::string> arguments = {
        kProgram,
        "--headless",
        "--no-sandbox",
        "--disable-gpu",
        "--disable-quic",
        "--no-first-run",
        "--disable-background-networking",
        "--disable-component-update",
        "--disable-sync",
        "--hide-scrollbars",
        "--remote-debugging-pipe",
        "--user-data-dir=" + profile,
        "--window-size=" + std::to_string(width) + "," + std::to_string(height),
        url,
    };
    pid = ::fork();
    if (pid == 0) {
        // The DevTools pipe is descriptors 3 (commands in) and 4 (answers out).
        ::dup2(in[0], 3);
        ::dup2(out[1], 4);
        const int quiet = ::open("/dev/null", O_WRONLY);
        ::dup2(quiet, 1);
        ::dup2(quiet, 2);
        std::vector<char*> argv;
        for (const auto& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(kProgram, argv.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    toBrowser = in[1];
    fromBrowser = out[0];
}

HeadlessBrowser::~HeadlessBrowser() {
    if (toBrowser >= 0) {
        ::close(toBrowser);
    }
    if (fromBrowser >= 0) {
        ::close(fromBrowser);
    }
    if (pid > 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    if (!profile.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(profile, ignored);
    }
}

nlohmann::json HeadlessBrowser::Send(nlohmann::json message, std::chrono::milliseconds limit) {
    const int id = nextId++;
    message["id"] = id;
    const std::string text = message.dump() + '\0';
    if (::write(toBrowser, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        return nullptr;
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        // Messages end with a NUL; events and other answers are passed over.
        const auto end = buffered.find('\0');
        if (end != std::string::npos) {
            const auto answer = nlohmann::json::parse(buffered.substr(0, end), nullptr, false);
            buffered.erase(0, end + 1);
            if (answer.is_object() && answer.value("id", 0) == id) {
                return answer;
            }
            continue;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd wanted{fromBrowser, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&wanted, 1, static_cast<int>(left.count())) <= 0) {
            return nullptr;
        }
        char chunk[65536];
        const ssize_t count = ::read(fromBrowser, chunk, sizeof chunk);
        if (count <= 0) {
            return nullptr;
        }
        buffered.append(chunk, static_cast<std::size_t>(count));
    }
}

bool HeadlessBrowser::AttachToPage(std::chrono::milliseconds limit) {
    if (pid <= 0) {
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        const auto targets = Send({{"method", "Target.getTargets"}}, limit);
        if (targets.is_null()) {
            return false;
        }
        for (const auto& target : targets["result"]["targetInfos"]) {
            if (target.value("type", "") == "page") {
                const auto attached =
                    Send({{"method", "Target.attachToTarget"},
                          {"params", {{"targetId", target["targetId"]}, {"flatten", true}}}},
                         limit);
                sessionId = attached["result"].value("sessionId", "");
                return !sessionId.empty();
            }
        }
        ::usleep(100'000);
    }
    return false;
}

nlohmann::json HeadlessBrowser::Call(const std::string& method, nlohmann::json params,
                                     std::chrono::milliseconds limit) {
    const auto answer =
        Send({{"method", method}, {"params", params}, {"sessionId", sessionId}}, limit);
    if (answer.is_null() || answer.contains("error")) {
        return nullptr;
    }
    return answer["result"];
}

nlohmann::json HeadlessBrowser::Evaluate(const std::string& expression) {
    const auto result =
        Call("Runtime.evaluate", {{"expression", expression}, {"returnByValue", true}});
    return result.is_null() ? nlohmann::json() : result["result"].value("value", nlohmann::json());
}

std::string HeadlessBrowser::Screenshot(double x, double y, double width, double height) {
    const auto result =
        Call("Page.captureScreenshot",
             {{"format", "jpeg"},
              {"quality", 95},
              {"clip", {{"x", x}, {"y", y}, {"width", width}, {"height", height}, {"scale", 1}}}});
    return result.is_null() ? std::string()
                            : web::DecodeBase64(result.value("data", "")).value_or("");
}

PictureOnPage LookForThePicture(HeadlessBrowser& browser, const GreyPixels& expected,
                                double tolerance, std::chrono::steady_clock::time_point since,
                                std::chrono::milliseconds limit) {
    std::this_thread::sleep_until(since + 500ms);
    PictureOnPage look;
    while (std::chrono::steady_clock::now() - since < limit) {
        const auto box = browser.Evaluate(
            "(() => { const r = document.getElementById('live').getBoundingClientRect();"
            " return [r.x, r.y, r.width, r.height]; })()");
        if (!box.is_array() || box.size() != 4) {
            return look;
        }
        const GreyPixels seen = DecodeGrey(browser.Screenshot(box[0], box[1], box[2], box[3]));
        look.secondsAfter =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
        if (seen.width > 0) {
            look.difference = MeanDifference(Coarse(seen, 32, 24), expected);
        }
        if (look.difference < tolerance) {
            break;
        }
        std::this_thread::sleep_for(250ms);
    }
    return look;
}

} // namespace webtest
