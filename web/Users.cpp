#include "Users.h"

#include "platform/FileBytes.h"

#include <algorithm>
#include <cctype>
#include <crypt.h>
#include <cstring>
#include <memory>

namespace web {

namespace {

int DigitValue(char c) {
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    if (c == '+') {
        return 62;
    }
    return c == '/' ? 63 : -1;
}

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

// The method and its cost settings, without the salt and the hash:
// "$2b$12$" of bcrypt (salt and hash in its last field), "$6$rounds=N$" or
// "$6$" of SHA-512, "$y$j9T$" of yescrypt. Hashes of one class cost alike.
std::string CostClass(const std::string& hash) {
    const auto last = hash.rfind('$');
    if (hash.starts_with("$2")) {
        return hash.substr(0, last + 1);
    }
    const auto salt = last == 0 ? std::string::npos : hash.rfind('$', last - 1);
    return salt == std::string::npos ? hash : hash.substr(0, salt + 1);
}

// The least of a few checks, so that a moment of a busy machine does not make
// a cheap method look dear.
std::chrono::steady_clock::duration CheckCost(const std::string& hash) {
    constexpr int kTimings = 3;
    auto least = std::chrono::steady_clock::duration::max();
    for (int i = 0; i < kTimings; ++i) {
        const auto start = std::chrono::steady_clock::now();
        Hash("a password of nobody", hash);
        least = std::min(least, std::chrono::steady_clock::now() - start);
    }
    return least;
}

} // namespace

void Users::Add(std::string name, std::string hash) {
    const std::string costClass = CostClass(hash);
    auto cost = costs.find(costClass);
    if (cost == costs.end()) {
        cost = costs.emplace(costClass, CheckCost(hash)).first;
    }
    if (standIn.empty() || cost->second > standInCost) {
        standIn = hash;
        standInCost = cost->second;
    }
    hashes[std::move(name)] = std::move(hash);
}

bool Users::Admit(std::string_view name, std::string_view password) const {
    const auto entry = hashes.find(name);
    if (entry == hashes.end()) {
        if (!standIn.empty()) {
            Hash(std::string(password), standIn);
        }
        return false;
    }
    const std::string hashed = Hash(std::string(password), entry->second);
    return !hashed.empty() && SameText(hashed, entry->second);
}

LoadedUsers LoadUsersFile(const std::string& path) {
    // A users file of a thousand users is a hundred kilobytes.
    constexpr std::size_t kLargestUsersFile = 16 * 1024 * 1024;
    LoadedUsers loaded;
    const auto text = platform::ReadTextFile(path, kLargestUsersFile, loaded.error);
    if (!text) {
        return loaded;
    }
    int lineNumber = 0;
    for (std::size_t start = 0; start < text->size();) {
        const std::size_t end = std::min(text->find('\n', start), text->size());
        std::string line = text->substr(start, end - start);
        start = end + 1;
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
    if (loaded.users.Empty()) {
        loaded.error = path + ": no users in the file";
    }
    return loaded;
}

std::optional<std::string> DecodeBase64(std::string_view text) {
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    std::size_t padding = 0;
    while (padding < 2 && text.size() > padding && text[text.size() - 1 - padding] == '=') {
        ++padding;
    }
    const std::string_view digits = text.substr(0, text.size() - padding);
    std::string bytes;
    unsigned value = 0;
    int bits = 0;
    for (const char c : digits) {
        const int digit = DigitValue(c);
        if (digit < 0) {
            return std::nullopt;
        }
        value = (value << 6) | static_cast<unsigned>(digit);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes += static_cast<char>((value >> bits) & 0xff);
        }
    }
    // The bits left over past the last byte are zero in text made by an
    // encoder; anything else is not Base64 of any bytes.
    if ((value & ((1u << bits) - 1)) != 0) {
        return std::nullopt;
    }
    return bytes;
}

std::optional<BasicCredentials> ParseBasicCredentials(std::string_view authorization) {
    constexpr std::string_view kScheme = "basic";
    if (authorization.size() <= kScheme.size() || authorization[kScheme.size()] != ' ' ||
        !std::equal(kScheme.begin(), kScheme.end(), authorization.begin(), [](char a, char b) {
            return a == std::tolower(static_cast<unsigned char>(b));
        })) {
        return std::nullopt;
    }
    std::string_view encoded = authorization.substr(kScheme.size());
    while (!encoded.empty() && encoded.front() == ' ') {
        encoded.remove_prefix(1);
    }
    const auto decoded = DecodeBase64(encoded);
    if (!decoded || decoded->find('\0') != std::string::npos) {
        return std::nullopt;
    }
    const auto colon = decoded->find(':');
    if (colon == std::string::npos) {
        return std::nullopt;
    }
    return BasicCredentials{decoded->substr(0, colon), decoded->substr(colon + 1)};
}

} // namespace web
