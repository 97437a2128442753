#pragma once

#include <string_view>

namespace web {

// The pages beside this header, built into the program: "/" (index.html)
// and "/pictures/" (pictures.html). Each fills itself from the view's JSON.
std::string_view IndexPage();
std::string_view PicturesPage();

} // namespace web
