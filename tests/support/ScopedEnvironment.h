#pragma once

#include <optional>
#include <string>

namespace testsupport {

// Sets (or, with no value, removes) an environment variable for the life of
// the object and puts the old state back afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::string name, const std::optional<std::string>& value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name;
    std::optional<std::string> previous;
};

} // namespace testsupport
