#include "TlsFiles.h"

#include <cerrno>
#include <cstring>
#include <fstream>
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

} // namespace

LoadedTls LoadTlsFiles(const std::string& certificatePath, const std::string& keyPath) {
    LoadedTls loaded;
    if (!ReadPem(certificatePath, loaded.credentials.certificatePem, loaded.error) ||
        !ReadPem(keyPath, loaded.credentials.keyPem, loaded.error)) {
        loaded.credentials = {};
    }
    return loaded;
}

} // namespace web
