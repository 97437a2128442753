#include "TlsFiles.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <gnutls/gnutls.h>
#include <iterator>

namespace web {

namespace {

bool ReadPem(const std::string& path, std::string& text, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
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
