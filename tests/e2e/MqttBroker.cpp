#include "MqttBroker.h"

#include "tests/e2e/BrowserView.h"
#include "tests/support/WaitUntil.h"

#include <csignal>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace e2e {

bool Accepts(std::uint16_t port) {
    const int descriptor = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    const bool accepted =
        ::connect(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(descriptor);
    return accepted;
}

MqttBroker::MqttBroker(std::string settings) : MqttBroker(NotStarted{}, std::move(settings)) {
    Start();
}

MqttBroker::MqttBroker(NotStarted, std::string settings) : port(FreePort()) {
    // Started by root, mosquitto would read its files as the user mosquitto,
    // which the test's folders do not let in.
    const passwd* user = ::getpwuid(::getuid());
    testsupport::WriteFile(folder / "mosquitto.conf",
                           "user " + std::string(user != nullptr ? user->pw_name : "root") +
                               "\nlistener " + std::to_string(port) + " 127.0.0.1\n" + settings);
}

MqttBroker::~MqttBroker() {
    Kill();
}

bool MqttBroker::Running() const {
    return process && Accepts(port);
}

bool MqttBroker::Start() {
    Kill();
    process = std::make_unique<testsupport::ChildProcess>(
        std::vector<std::string>{"/usr/sbin/mosquitto", "-c", folder / "mosquitto.conf"});
    return testsupport::WaitUntil([this] { return Accepts(port); });
}

void MqttBroker::Freeze() {
    if (process) {
        process->Signal(SIGSTOP);
    }
}

void MqttBroker::Kill() {
    if (process) {
        process->Signal(SIGKILL);
        process->Wait(std::chrono::seconds(10));
        process.reset();
    }
}

} // namespace e2e
