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
    std::string error; // empty when both files were read and belong together
};

// Reads --http-cert and --http-key once at start. A missing or unreadable
// file, one that holds no PEM block, and a certificate and key that cannot be
// used or do not belong together are errors naming the files.
LoadedTls LoadTlsFiles(const std::string& certificatePath, const std::string& keyPath);

} // namespace web
