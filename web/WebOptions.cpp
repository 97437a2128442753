#include "WebOptions.h"

#include "platform/FileBytes.h"

#include <arpa/inet.h>
#include <charconv>
#include <cstring>
#include <gnutls/gnutls.h>
#include <netinet/in.h>

namespace web {

namespace {

bool ParsePort(std::string_view text, std::uint16_t& port) {
    if (text.empty() || text.size() > 5) {
        return false;
    }
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value > 65535) {
        return false;
    }
    port = static_cast<std::uint16_t>(value);
    return true;
}

ParsedListenAddress Refuse(std::string_view text, std::string_view why) {
    ParsedListenAddress parsed;
    parsed.error = "--http " + std::string(text) + ": " + std::string(why);
    return parsed;
}

// A certificate chain or a key is a few kilobytes; a file far larger is
// neither.
constexpr std::size_t kLargestPemFile = 1024 * 1024;

bool ReadPem(const std::string& path, std::string& text, std::string& error) {
    auto read = platform::ReadTextFile(path, kLargestPemFile, error);
    if (!read) {
        return false;
    }
    text = std::move(*read);
    if (text.find("-----BEGIN ") == std::string::npos) {
        error = path + ": no PEM block in the file";
        return false;
    }
    return true;
}

// The server's TLS library reads the pair as it will when serving, so that a
// key of another certificate or a file it cannot use is said at the start,
// before anything else is opened; its reason, or empty when they are good.
std::string PairProblem(const TlsCredentials& credentials) {
    gnutls_certificate_credentials_t checked = nullptr;
    if (gnutls_certificate_allocate_credentials(&checked) != GNUTLS_E_SUCCESS) {
        return "no memory to read them";
    }
    auto datum = [](const std::string& pem) {
        return gnutls_datum_t{reinterpret_cast<unsigned char*>(const_cast<char*>(pem.data())),
                              static_cast<unsigned>(pem.size())};
    };
    const gnutls_datum_t certificate = datum(credentials.certificatePem);
    const gnutls_datum_t key = datum(credentials.keyPem);
    const int result =
        gnutls_certificate_set_x509_key_mem(checked, &certificate, &key, GNUTLS_X509_FMT_PEM);
    gnutls_certificate_free_credentials(checked);
    if (result == GNUTLS_E_CERTIFICATE_KEY_MISMATCH) {
        return "the key does not belong to the certificate";
    }
    return result < 0 ? gnutls_strerror(result) : std::string();
}

} // namespace

ParsedListenAddress ParseListenAddress(std::string_view text) {
    ParsedListenAddress parsed;
    std::string_view host;
    std::string_view port = text;
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string_view::npos || close + 1 >= text.size() || text[close + 1] != ':') {
            return Refuse(text, "expected [IPv6 ADDRESS]:PORT");
        }
        host = text.substr(1, close - 1);
        port = text.substr(close + 2);
        parsed.address.ipv6 = true;
        in6_addr bytes{};
        if (inet_pton(AF_INET6, std::string(host).c_str(), &bytes) != 1) {
            return Refuse(text, "not a numeric IPv6 address");
        }
        parsed.address.host = host;
    } else if (const auto colon = text.rfind(':'); colon != std::string_view::npos) {
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
        in_addr bytes{};
        // inet_pton takes only the four-part dotted form, not "127.1" or hex.
        if (inet_pton(AF_INET, std::string(host).c_str(), &bytes) != 1) {
            return Refuse(text, "not a numeric IPv4 address (IPv6 goes in brackets)");
        }
        parsed.address.host = host;
    }
    if (!ParsePort(port, parsed.address.port)) {
        return Refuse(text, "the port must be a number from 0 to 65535");
    }
    return parsed;
}

std::string DescribeListenAddress(const ListenAddress& address) {
    const std::string port = std::to_string(address.port);
    return address.ipv6 ? "[" + address.host + "]:" + port : address.host + ":" + port;
}

bool IsLoopback(const ListenAddress& address) {
    if (address.ipv6) {
        in6_addr bytes{};
        if (inet_pton(AF_INET6, address.host.c_str(), &bytes) != 1) {
            return false;
        }
        if (IN6_IS_ADDR_LOOPBACK(&bytes)) {
            return true;
        }
        // ::ffff:127.x.y.z reaches the IPv4 loopback.
        return IN6_IS_ADDR_V4MAPPED(&bytes) && bytes.s6_addr[12] == 127;
    }
    in_addr bytes{};
    if (inet_pton(AF_INET, address.host.c_str(), &bytes) != 1) {
        return false;
    }
    return (ntohl(bytes.s_addr) >> 24) == 127;
}

LoadedTls LoadTlsFiles(const std::string& certificatePath, const std::string& keyPath) {
    LoadedTls loaded;
    if (!ReadPem(certificatePath, loaded.credentials.certificatePem, loaded.error) ||
        !ReadPem(keyPath, loaded.credentials.keyPem, loaded.error)) {
        loaded.credentials = {};
        return loaded;
    }
    if (const std::string problem = PairProblem(loaded.credentials); !problem.empty()) {
        loaded.error = certificatePath + " and " + keyPath + ": " + problem;
        loaded.credentials = {};
    }
    return loaded;
}

} // namespace web
