#pragma once

#include <string>

namespace webtest {

inline constexpr const char* kOpenssl = "/usr/bin/openssl";

// A self-signed certificate for 127.0.0.1 and its key, made by openssl into
// the two files; false when openssl is missing or failed.
bool MakeCertificate(const std::string& certificate, const std::string& key);

} // namespace webtest
