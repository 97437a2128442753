#include "LineOnThread.h"

#include "tests/tools/LineEnd.h"

#include <future>
#include <stdexcept>

namespace linesimtest {

LineOnThread::LineOnThread(const linesim::LineOptions& options) {
    std::string error;
    if (!endA.Open(error) || !endB.Open(error)) {
        throw std::runtime_error(error);
    }
    relay = std::make_unique<linesim::Relay>(endA.Master(), endB.Master(), options);
    if (!relay->IsReady()) {
        throw std::runtime_error("the relay has no wake-up descriptor");
    }
    runner = std::thread([this] { relay->Run(); });
}

LineOnThread::~LineOnThread() {
    Stop();
}

linesim::LineCounts LineOnThread::Stop() {
    if (runner.joinable()) {
        relay->RequestStop();
        runner.join();
    }
    return relay->Counts();
}

namespace {

// Reads until expected bytes are there, or nothing has come for quiet.
Bytes Collect(camsimtest::LineEnd& end, std::size_t expected, std::chrono::milliseconds quiet) {
    Bytes bytes;
    while (bytes.size() < expected) {
        const Bytes more = end.Read(expected - bytes.size(), quiet);
        if (more.empty()) {
            break;
        }
        bytes.insert(bytes.end(), more.begin(), more.end());
    }
    return bytes;
}

} // namespace

Exchange ExchangeBytes(const LineOnThread& line, const Bytes& fromA, const Bytes& fromB,
                       std::chrono::milliseconds quiet) {
    camsimtest::LineEnd a(line.PathA());
    camsimtest::LineEnd b(line.PathB());
    if (!a.IsOpen() || !b.IsOpen()) {
        throw std::runtime_error("cannot open the ends of the line");
    }
    auto writeA = std::async(std::launch::async, [&] { a.Write(fromA); });
    auto writeB = std::async(std::launch::async, [&] { b.Write(fromB); });
    auto readB = std::async(std::launch::async, [&] { return Collect(b, fromA.size(), quiet); });
    Exchange exchange;
    exchange.atA = Collect(a, fromB.size(), quiet);
    exchange.atB = readB.get();
    writeA.get();
    writeB.get();
    return exchange;
}

} // namespace linesimtest
