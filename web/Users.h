#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace web {

// The people allowed to watch: names and password hashes from an htpasswd
// file, as nginx's auth_basic_user_file reads it.
class Users {
public:
    // Whether name is listed and password matches its hash. The hash is
    // checked with crypt_r, so bcrypt ($2y$, $2b$), SHA-512 ($6$) and
    // yescrypt ($y$) entries all work.
    bool Admit(std::string_view name, std::string_view password) const;

    bool Empty() const { return hashes.empty(); }
    // Adds a user; a hash of a method and cost not seen before is timed once,
    // so that Add is for the start, not for a request.
    void Add(std::string name, std::string hash);

    // The hash an unknown name's password is checked against: the one of
    // the users whose check costs most, so that an unknown name takes as
    // long to refuse as the dearest user's wrong password and names cannot
    // be told by the time an answer takes.
    const std::string& StandIn() const { return standIn; }

private:
    std::map<std::string, std::string, std::less<>> hashes;
    // What one check costs, by method and cost setting ("$2b$12$").
    std::map<std::string, std::chrono::steady_clock::duration> costs;
    std::string standIn;
    std::chrono::steady_clock::duration standInCost{};
};

struct LoadedUsers {
    Users users;
    std::string error; // empty when the file was read and every line is good
};

// Reads the users file once: lines "name:hash", blank lines and lines that
// start with '#' skipped. A missing file, a line without a colon, an empty
// name and a hash of a method crypt_r cannot check are errors naming the
// file and line, for the caller to report as a usage error.
LoadedUsers LoadUsersFile(const std::string& path);

// What a request brings to be let in.
struct BasicCredentials {
    std::string name;
    std::string password;
};

// The name and password of an Authorization header value of the Basic
// scheme, its name in any case (RFC 7235). Nothing for another scheme, text
// that is not Base64, no colon, or a NUL in either part: a C string would
// end at the NUL and check only what comes before it.
std::optional<BasicCredentials> ParseBasicCredentials(std::string_view authorization);

// The bytes of standard Base64 text (RFC 4648, with its '=' padding), or
// nothing when the text is not exactly that: no blanks, no other letters.
std::optional<std::string> DecodeBase64(std::string_view text);

} // namespace web
