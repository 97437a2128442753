#pragma once

#include <map>
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
    void Add(std::string name, std::string hash) { hashes[std::move(name)] = std::move(hash); }

private:
    std::map<std::string, std::string, std::less<>> hashes;
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

} // namespace web
