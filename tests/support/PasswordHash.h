#pragma once

#include <crypt.h>
#include <string>

namespace testsupport {

// A password's hash as htpasswd or mkpasswd makes it, by libcrypt itself:
// prefix names the method ("$6$", "$2b$", "$y$"), cost its rounds or cost
// (0: the method's default). Empty when libcrypt cannot make it.
inline std::string PasswordHash(const std::string& password, const char* prefix,
                                unsigned long cost) {
    char setting[CRYPT_GENSALT_OUTPUT_SIZE];
    if (crypt_gensalt_rn(prefix, cost, nullptr, 0, setting, sizeof setting) == nullptr) {
        return {};
    }
    crypt_data data{};
    const char* hashed = crypt_r(password.c_str(), setting, &data);
    return hashed == nullptr ? std::string() : std::string(hashed);
}

} // namespace testsupport
