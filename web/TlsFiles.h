#pragma once

#include <string>

namespace web {

// A certificate (chain) and its private key in PEM form, for serving HTTPS
// without a reverse proxy in front.
struct TlsCredentials {
    std::string certificatePem;
    std::string keyPem;

    bool Empty() const { return certificatePem.empty(); }
};

struct LoadedTls {
    TlsCredentials credentials;
    std::string error; // empty when both files were read
};

// Reads --http-cert and --http-key once at start. A missing or unreadable
// file, or one that holds no PEM block, is an error naming it; whether the
// two belong together is known only when the server starts with them.
LoadedTls LoadTlsFiles(const std::string& certificatePath, const std::string& keyPath);

} // namespace web
