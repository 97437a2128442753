#include "WorkerContext.h"

bool WorkerContext::SetPath(std::string& field, std::string_view path) {
    const bool fits = path.size() < kPathSize;
    field = fits ? path : std::string_view{};
    return fits;
}
