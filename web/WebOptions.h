#pragma once

#include "Users.h"

#include "picture/GreyJpeg.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace web {

// Where the browser view listens: an IPv4 or IPv6 address in its numeric
// form, and a port (0 lets the system choose one, for tests).
struct ListenAddress {
    std::string host = "127.0.0.1";
    bool ipv6 = false;
    std::uint16_t port = 0;
};

struct ParsedListenAddress {
    ListenAddress address;
    std::string error; // empty when the text was good
};

// Reads the value of --http: "PORT", "ADDR:PORT" with a numeric IPv4 address,
// or "[ADDR]:PORT" with a numeric IPv6 one. Without an address the view
// listens on the loopback only, so that nothing is shown to the network by
// accident. Host names are refused: what a name resolves to can change.
ParsedListenAddress ParseListenAddress(std::string_view text);

// "127.0.0.1:8080" or "[::1]:8080", as people and error texts name it.
std::string DescribeListenAddress(const ListenAddress& address);

// Whether only this machine can reach the address (127.0.0.0/8, ::1): the
// caller warns when the view is open to the network without users.
bool IsLoopback(const ListenAddress& address);

// A certificate (chain) and its private key in PEM form, for serving HTTPS
// without a reverse proxy in front.
struct TlsCredentials {
    std::string certificatePem;
    std::string keyPem;

    bool Empty() const { return certificatePem.empty(); }
};

struct LoadedTls {
    TlsCredentials credentials;
    std::string error; // empty when both files were read and belong together
};

// Reads --http-cert and --http-key once at start. A missing or unreadable
// file, one that holds no PEM block, and a certificate and key that cannot be
// used or do not belong together are errors naming the files.
LoadedTls LoadTlsFiles(const std::string& certificatePath, const std::string& keyPath);

// How the browser view listens and what it allows; every limit has a default
// that suits a small box with a handful of viewers.
struct WebOptions {
    ListenAddress listen;
    // Connections at once, all viewers together; each holds a thread.
    unsigned maxConnections = 64;
    // Per client address, so that one address cannot take every connection;
    // 0 is no limit. Behind a reverse proxy every viewer comes from the
    // proxy's address, so it is raised there.
    unsigned maxConnectionsPerAddress = 16;
    // A connection that neither sends a request nor takes a byte of what it
    // is sent for this long is closed. Waiting for the next picture does not
    // count.
    unsigned idleTimeoutSeconds = 30;
    // A request must be whole this long after the connection opened or its
    // previous answer ended, however slowly its bytes keep coming; 0 is no
    // limit.
    unsigned requestDeadlineSeconds = 10;
    // Names besides the listening address and "localhost" that requests may
    // give as their Host (a name the view is reached by, or a reverse
    // proxy's), in lower case. Any other name is refused, so that a web page
    // whose own name was pointed at this machine cannot read the view.
    std::vector<std::string> hostNames;
    // Memory for one connection's request line and headers; a longer request
    // is refused.
    std::size_t requestMemoryBytes = 32 * 1024;
    // In live mode the display file is overwritten, so /pictures/N serves the
    // run's pictures from memory, the oldest dropped beyond this total.
    std::size_t livePictureMemoryBytes = 32 * 1024 * 1024;
    // Pictures of the run that /pictures/N can still serve.
    std::size_t keptPictures = 1000;
    int jpegQuality = kGreyJpegQuality;
    // Pictures a second that one stream viewer gets at most; 0 for every
    // picture. A camera over a serial line sends a few a second at best, one
    // behind USB hundreds: more than a browser shows, and each costs the box
    // a copy per viewer.
    unsigned maxPicturesPerSecond = 30;
    // Empty: everyone who reaches the address may watch.
    Users users;
    // Empty: plain HTTP (a reverse proxy in front may add TLS).
    TlsCredentials tls;
};

} // namespace web
