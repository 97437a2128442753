#pragma once

#include "platform/NoCopy.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace webtest {

using namespace std::chrono_literals;

// Where a connection comes from: another loopback address is another client
// to the server's limit per address; a small receive buffer, set before
// connecting, makes a viewer that does not read fill up at once.
struct ConnectionFrom {
    std::string address = "127.0.0.1";
    int receiveBufferBytes = 0; // 0: the system's
};

// One TCP connection to the view on 127.0.0.1, raw bytes both ways, so that
// a test can send anything (not only well-formed HTTP) and read exactly what
// came back.
class Connection : private platform::NoCopy {
public:
    explicit Connection(std::uint16_t port, const ConnectionFrom& from = {});
    ~Connection();

    bool Connected() const { return descriptor >= 0; }
    bool Send(std::string_view bytes);
    // Appends what arrives to received until it holds text, the peer closes
    // or the limit passes; true when text is there.
    bool ReceiveUntil(std::string_view text, std::chrono::milliseconds limit = 20s);
    // Reads until the peer closes; false when the limit passed first.
    bool ReceiveToEnd(std::chrono::milliseconds limit = 20s);
    // Reads and throws away what comes until the peer closes, as fast as it
    // comes: a viewer that costs nothing but the reading.
    void DiscardToEnd();
    bool PeerClosed() const { return closed; }
    // Whether the peer ended the connection (a reset, or a close behind what
    // is not read yet), looked at without reading anything.
    bool Ended() const;
    // One read of what is there, waiting at most limit; false on close,
    // error or nothing within the limit.
    bool ReceiveSome(std::chrono::milliseconds limit);

    std::string received;

private:
    int descriptor = -1;
    bool closed = false;
};

struct HttpResponse {
    int status = 0;                             // 0: no answer that parses
    std::map<std::string, std::string> headers; // names in lower case
    std::string body;

    std::string Header(const std::string& lowerCaseName) const;
};

// Parses a whole answer (head and body up to the close).
HttpResponse ParseResponse(const std::string& bytes);

// Sends one request with "Connection: close" and reads the answer to its end.
HttpResponse Request(std::uint16_t port, std::string_view method, std::string_view path,
                     std::string_view extraHeaders = {});

// A /stream reader: it splits the body at the boundary, as a client of such a
// stream does, and hands out each part's body once the next part's header
// block has arrived.
class StreamReader {
public:
    StreamReader(std::uint16_t port, std::string_view extraHeaders = {});

    bool Started() const { return status == 200; }
    std::string ContentType() const { return contentType; }
    // The next whole picture, or nothing when none completed within limit.
    std::optional<std::string> NextPicture(std::chrono::milliseconds limit = 20s);
    // The X-Timestamp of the part header block that came last.
    std::string LastTimestamp() const { return lastTimestamp; }

private:
    Connection connection;
    int status = 0;
    std::string contentType;
    std::string delimiter;
    std::string lastTimestamp;
    // Received bytes not yet handed out, from the start of a part's body.
    std::string pending;
    bool inPart = false;
};

} // namespace webtest
