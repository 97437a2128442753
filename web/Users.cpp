#include "Users.h"

#include <cerrno>
#include <crypt.h>
#include <cstring>
#include <fstream>
#include <memory>

namespace web {

namespace {

// Compares without stopping at the first difference, so that the time taken
// does not tell how much of a guess was right.
bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    unsigned char difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    }
    return difference == 0;
}

// crypt_r's result for password under the setting (the stored hash), or
// empty when the method is unknown. crypt_data is large (about 32 KiB), so it
// lives on the heap rather than on a connection thread's stack.
std::string Hash(const std::string& password, const std::string& setting) {
    auto data = std::make_unique<crypt_data>();
    std::memset(data.get(), 0, sizeof(crypt_data));
    const char* hashed = crypt_r(password.c_str(), setting.c_str(), data.get());
    // libcrypt marks a failure with a result that starts with '*'.
    if (hashed == nullptr || hashed[0] == '*') {
        return {};
    }
    return hashed;
}

// The methods nginx's files use that libcrypt still counts as sound; MD5
// ("$apr1$", htpasswd's default) and DES are refused rather than accepted
// with a weak check.
bool IsCheckableHash(const std::string& hash) {
    static const char* const kPrefixes[] = {"$2y$", "$2b$", "$6$", "$y$"};
    for (const char* prefix : kPrefixes) {
        if (hash.starts_with(prefix)) {
            return crypt_checksalt(hash.c_str()) == CRYPT_SALT_OK;
        }
    }
    return false;
}

} // namespace

bool Users::Admit(std::string_view name, std::string_view password) const {
    const auto entry = hashes.find(name);
    if (entry == hashes.end()) {
        return false;
    }
    const std::string hashed = Hash(std::string(password), entry->second);
    return !hashed.empty() && SameText(hashed, entry->second);
}

LoadedUsers LoadUsersFile(const std::string& path) {
    LoadedUsers loaded;
    std::ifstream file(path);
    if (!file) {
        loaded.error = path + ": " + std::strerror(errno);
        return loaded;
    }
    std::string line;
    int lineNumber = 0;
    while (std::getline(file, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const auto where = path + ":" + std::to_string(lineNumber) + ": ";
        const auto colon = line.find(':');
        if (colon == std::string::npos || colon == 0) {
            loaded.error = where + "expected NAME:HASH";
            return loaded;
        }
        // nginx allows a comment after a second colon.
        std::string hash = line.substr(colon + 1);
        hash = hash.substr(0, hash.find(':'));
        if (!IsCheckableHash(hash)) {
            loaded.error =
                where + "the hash is not bcrypt, SHA-512 or yescrypt (htpasswd -B makes bcrypt)";
            return loaded;
        }
        loaded.users.Add(line.substr(0, colon), std::move(hash));
    }
    if (file.bad()) {
        loaded.error = path + ": read error";
        return loaded;
    }
    if (loaded.users.Empty()) {
        loaded.error = path + ": no users in the file";
    }
    return loaded;
}

} // namespace web
