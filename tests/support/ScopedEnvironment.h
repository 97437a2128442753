#pragma once

#include "platform/NoCopy.h"

#include <optional>
#include <string>

namespace testsupport {

// Sets (or, with no value, removes) an environment variable for the life of
// the object and puts the old state back afterwards.
class ScopedEnvironment : private platform::NoCopy {
public:
    ScopedEnvironment(std::string name, const std::optional<std::string>& value);
    ~ScopedEnvironment();

private:
    std::string name;
    std::optional<std::string> previous;
};

} // namespace testsupport
