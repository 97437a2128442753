#pragma once

#include "PictureArchive.h"

#include <string>
#include <string_view>
#include <vector>

namespace web {

// The page of /pictures/: the given pictures as thumbnails (the browser
// scales them), each linked to its own address.
std::string PicturesPage(const std::vector<ArchivedPicture>& pictures, std::string_view device);

// Text made safe to stand in HTML.
std::string EscapeHtml(std::string_view text);

} // namespace web
