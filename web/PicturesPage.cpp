#include "PicturesPage.h"

#include <ctime>

namespace web {

namespace {

std::string UtcTime(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &parts);
    return text;
}

} // namespace

std::string EscapeHtml(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        case '\'':
            escaped += "&#39;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::string PicturesPage(const std::vector<ArchivedPicture>& pictures, std::string_view device) {
    std::string page = R"(<!doctype html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Pictures of )" + EscapeHtml(device) +
                       R"(</title>
<style>
body { font-family: sans-serif; margin: 1em; background: #1d1f21; color: #e0e0e0; }
a { color: #8ab4f8; }
.pictures { display: grid; grid-template-columns: repeat(auto-fill, minmax(200px, 1fr)); gap: 12px; }
figure { margin: 0; }
figure img { width: 100%; aspect-ratio: 4 / 3; object-fit: contain; background: #000; }
figcaption { font-size: 0.85em; }
</style>
</head>
<body>
<p><a href="../">Live view</a></p>
<h1>Pictures of )" + EscapeHtml(device) +
                       "</h1>\n";
    if (pictures.empty()) {
        page += "<p>No picture yet.</p>\n";
    }
    page += "<div class=\"pictures\">\n";
    for (const auto& picture : pictures) {
        const std::string number = std::to_string(picture.number);
        page += "<figure><a href=\"" + number + "\"><img src=\"" + number +
                "\" loading=\"lazy\" alt=\"Picture " + number + "\"></a><figcaption>" + number +
                " &middot; " + UtcTime(picture.storedAt) + "</figcaption></figure>\n";
    }
    page += "</div>\n</body>\n</html>\n";
    return page;
}

} // namespace web
