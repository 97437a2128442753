#include "Users.h"

#include <algorithm>
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

bool IsHashDigit(char c) {
    return c == '.' || c == '/' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
           (c >= 'a' && c <= 'z');
}

// The methods nginx's files use that libcrypt still counts as sound; MD5
// ("$apr1$", htpasswd's default) and DES are refused rather than accepted
// with a weak check. Besides a setting libcrypt takes, the hash must be whole:
// a cut one would refuse every password, which is better said at start.
bool IsCheckableHash(const std::string& hash) {
    struct MethodShape {
        const char* prefix;
        std::size_t hashDigits; // after the last '$'; bcrypt has salt and hash in one
    };
    static const MethodShape kMethods[] = {{"$2y$", 53}, {"$2b$", 53}, {"$6$", 86}, {"$y$", 43}};
    for (const auto& method : kMethods) {
        if (!hash.starts_with(method.prefix)) {
            continue;
        }
        const std::string digits = hash.substr(hash.rfind('$') + 1);
        return crypt_checksalt(hash.c_str()) == CRYPT_SALT_OK &&
               digits.size() == method.hashDigits &&
               std::all_of(digits.begin(), digits.end(), IsHashDigit);
    }
    return false;
}

} // namespace

bool Users::Admit(std::string_view name, std::string_view password) const {
    const auto entry = hashes.find(name);
    if (entry == hashes.end()) {
        // A hash is computed all the same, so that an unknown name takes as
        // long to refuse as a wrong password and names cannot be guessed by
        // the time an answer takes.
        if (!hashes.empty()) {
            Hash(std::string(password), hashes.begin()->second);
        }
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
