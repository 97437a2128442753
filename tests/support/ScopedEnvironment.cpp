#include "ScopedEnvironment.h"

#include <cstdlib>

namespace testsupport {

namespace {

void Put(const std::string& name, const std::optional<std::string>& value) {
    if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
    } else {
        ::unsetenv(name.c_str());
    }
}

} // namespace

ScopedEnvironment::ScopedEnvironment(std::string variable, const std::optional<std::string>& value)
    : name(std::move(variable)) {
    if (const char* old = std::getenv(name.c_str())) {
        previous = old;
    }
    Put(name, value);
}

ScopedEnvironment::~ScopedEnvironment() {
    Put(name, previous);
}

} // namespace testsupport
