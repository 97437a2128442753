// How long the browser view takes to refuse a wrong password for each user
// of a users file that mixes costs, and a name that is not in it: the two
// must not differ by more than the users' own costs do, or the time an
// answer takes tells which names exist.
//
// usage: bench_refusal_time [ROUNDS [BCRYPT_COST]]
#include "tests/support/PasswordHash.h"
#include "web/Users.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using testsupport::PasswordHash;

double Milliseconds(std::chrono::steady_clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 15;
    const unsigned long bcryptCost = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 12;
    char folder[] = "/tmp/zelnor2-bench-refusal-XXXXXX";
    if (::mkdtemp(folder) == nullptr) {
        return 1;
    }
    const std::string path = std::string(folder) + "/users";
    // As `openssl passwd -6` (5000 rounds) and `htpasswd -B -C 12` make them.
    std::ofstream(path) << "alice:" << PasswordHash("alice's", "$6$", 0)
                        << "\nzoe:" << PasswordHash("zoe's", "$2b$", bcryptCost) << "\n";
    const auto loadStart = std::chrono::steady_clock::now();
    const web::LoadedUsers loaded = web::LoadUsersFile(path);
    const double loadMs = Milliseconds(std::chrono::steady_clock::now() - loadStart);
    std::remove(path.c_str());
    ::rmdir(folder);
    if (!loaded.error.empty()) {
        std::fprintf(stderr, "%s\n", loaded.error.c_str());
        return 1;
    }
    std::printf("users file read in %.1f ms (each method and cost timed on reading)\n\n", loadMs);
    std::printf("| refused | median ms | min ms | max ms |\n|---|---|---|---|\n");
    for (const char* name : {"alice", "zoe", "mallory"}) {
        std::vector<double> times;
        for (int i = 0; i < rounds; ++i) {
            const auto start = std::chrono::steady_clock::now();
            if (loaded.users.Admit(name, "a wrong password")) {
                return 1;
            }
            times.push_back(Milliseconds(std::chrono::steady_clock::now() - start));
        }
        std::sort(times.begin(), times.end());
        std::printf("| %s, wrong password%s | %.1f | %.1f | %.1f |\n", name,
                    name[0] == 'm' ? " (no such user)" : "", times[times.size() / 2], times.front(),
                    times.back());
    }
    return 0;
}
