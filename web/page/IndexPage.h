#pragma once

#include <string_view>

namespace web {

// The page of "/", index.html beside this header, built into the program.
std::string_view IndexPage();

} // namespace web
