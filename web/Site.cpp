#include "Site.h"

#include "EventStream.h"
#include "MultipartStream.h"
#include "Responses.h"
#include "Users.h"
#include "picture/GreyJpeg.h"
#include "platform/FileBytes.h"
#include "runstate/StateJson.h"
#include "web/page/Pages.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <memory>
#include <optional>
#include <strings.h>
#include <vector>

namespace web {

namespace {

constexpr std::size_t kPicturesOnPage = 50;

constexpr const char* kTextType = "text/plain; charset=utf-8";
constexpr const char* kHtmlType = "text/html; charset=utf-8";
constexpr const char* kJsonType = "application/json";

// The page's own script and style are inline, and it loads nothing from
// elsewhere.
const Headers kPageHeaders = {
    {"Content-Security-Policy",
     "default-src 'none'; img-src 'self'; connect-src 'self'; style-src 'unsafe-inline'; "
     "script-src 'unsafe-inline'; frame-ancestors 'none'"},
    {"Referrer-Policy", "no-referrer"},
};

// Plain decimal digits only: no sign, no blanks, nothing after them, and a
// value that fits.
std::optional<std::uint64_t> PictureNumber(std::string_view text) {
    if (text.empty() || text.size() > 20 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    std::uint64_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return number;
}

Headers NumberHeader(std::uint64_t number) {
    return {{"X-Picture-Number", std::to_string(number)}};
}

// A streaming body looks for the end of the view at least this often while
// it waits; the idle timeout starts again each time.
std::chrono::steady_clock::duration StreamingWait(unsigned idleTimeoutSeconds) {
    const auto half = std::chrono::milliseconds(idleTimeoutSeconds * 500);
    return idleTimeoutSeconds == 0
               ? std::chrono::milliseconds(5000)
               : std::min<std::chrono::milliseconds>(half, std::chrono::milliseconds(5000));
}

// The least time between two pictures of one stream viewer.
std::chrono::steady_clock::duration MinimumGap(unsigned picturesPerSecond) {
    if (picturesPerSecond == 0) {
        return {};
    }
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(1.0 / picturesPerSecond));
}

} // namespace

bool Site::Authorised(MHD_Connection* connection) const {
    const char* authorization =
        MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_AUTHORIZATION);
    const auto credentials =
        authorization != nullptr ? ParseBasicCredentials(authorization) : std::nullopt;
    return credentials && state.options.users.Admit(credentials->name, credentials->password);
}

HostVerdict Site::JudgeHost(MHD_Connection* connection, const Request& request) const {
    std::vector<std::string_view> values;
    MHD_get_connection_values(
        connection, MHD_HEADER_KIND,
        [](void* found, MHD_ValueKind, const char* name, const char* value) {
            if (strcasecmp(name, MHD_HTTP_HEADER_HOST) == 0) {
                static_cast<std::vector<std::string_view>*>(found)->push_back(value);
            }
            return MHD_YES;
        },
        &values);
    // HTTP/1.1 and whatever came after it must name the host; 1.0 need not.
    return hosts.Judge(values, request.version != MHD_HTTP_VERSION_1_0, request.socket);
}

MHD_Result Site::Answer(MHD_Connection* connection, const Request& request) {
    const HostVerdict host = JudgeHost(connection, request);
    if (host == HostVerdict::Misdirected) {
        return QueueText(connection, MHD_HTTP_MISDIRECTED_REQUEST, kTextType,
                         "This view does not answer to that host name.\n");
    }
    if (host == HostVerdict::Malformed || !request.targetWhole) {
        return QueueText(connection, MHD_HTTP_BAD_REQUEST, kTextType, "Bad request.\n");
    }
    if (!state.options.users.Empty() && !Authorised(connection)) {
        return QueueUnauthorised(connection, kRealm);
    }
    const std::string_view url = request.url;
    const std::string_view method = request.method;
    const bool head = method == MHD_HTTP_METHOD_HEAD;
    if (method != MHD_HTTP_METHOD_GET && !head) {
        return QueueText(connection, MHD_HTTP_METHOD_NOT_ALLOWED, kTextType,
                         "Only GET and HEAD are answered here.\n", {{"Allow", "GET, HEAD"}});
    }
    if (url == "/") {
        return QueueText(connection, MHD_HTTP_OK, kHtmlType, IndexPage(), kPageHeaders);
    }
    if (url == "/state") {
        return QueueText(connection, MHD_HTTP_OK, kJsonType, StateText());
    }
    if (url == "/snapshot") {
        return Snapshot(connection);
    }
    if (url == "/stream") {
        return Stream(connection, head);
    }
    if (url == "/events") {
        return Events(connection, head);
    }
    if (url == "/pictures/") {
        return QueueText(connection, MHD_HTTP_OK, kHtmlType, PicturesPage(), kPageHeaders);
    }
    if (url == "/pictures/list") {
        return QueueText(connection, MHD_HTTP_OK, kJsonType, PictureList());
    }
    constexpr std::string_view kPictures = "/pictures/";
    if (url.starts_with(kPictures)) {
        return Picture(connection, url.substr(kPictures.size()));
    }
    return NotFound(connection);
}

std::string Site::PictureList() const {
    using nlohmann::json;
    json pictures = json::array();
    for (const ArchivedPicture& picture : state.archive.Newest(kPicturesOnPage)) {
        pictures.push_back(
            {{"number", picture.number},
             {"time", std::chrono::duration<double>(picture.storedAt.time_since_epoch()).count()}});
    }
    const json list = {{"device", state.run.device}, {"pictures", std::move(pictures)}};
    // The device's name comes from the system and may hold any bytes.
    return list.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string Site::StateText() const {
    const int broker = state.brokerConnected.load();
    std::optional<transfer::RetentionFigures> kept;
    if (state.retention != nullptr) {
        kept = state.retention->Figures();
    }
    return runstate::StateJson(
        state.tally.Snapshot(), state.run, std::chrono::steady_clock::now() - state.started,
        state.streamViewers.load(),
        broker == ViewState::kNoBroker ? std::nullopt : std::optional<bool>(broker == 1), kept);
}

MHD_Result Site::NotFound(MHD_Connection* connection) const {
    return QueueText(connection, MHD_HTTP_NOT_FOUND, kTextType, "Nothing here.\n");
}

MHD_Result Site::Snapshot(MHD_Connection* connection) const {
    const SharedPicture newest = state.pictures.Newest().value;
    if (!newest) {
        return QueueText(connection, MHD_HTTP_SERVICE_UNAVAILABLE, kTextType,
                         "No picture has arrived yet.\n", {{"Retry-After", "2"}});
    }
    return QueuePicture(connection, newest, NumberHeader(newest->number));
}

MHD_Result Site::Picture(MHD_Connection* connection, std::string_view numberText) const {
    const auto number = PictureNumber(numberText);
    const auto found = number ? state.archive.Find(*number) : std::nullopt;
    if (!found) {
        return NotFound(connection);
    }
    SharedPicture picture = found->kept;
    if (!picture) {
        // Capture: the numbered file, as it is now; one removed since then is
        // simply gone.
        auto bytes = platform::ReadFileBytes(found->file, platform::kLargestPictureFile);
        if (!bytes) {
            return NotFound(connection);
        }
        if (found->kind == transfer::PictureKind::UncompressedPixels) {
            bytes = EncodeBmpAsJpeg(*bytes, state.options.jpegQuality);
            if (bytes->empty()) {
                return NotFound(connection);
            }
        }
        picture = std::make_shared<const ViewPicture>(
            ViewPicture{found->number, found->storedAt, std::move(*bytes)});
    }
    return QueuePicture(connection, picture, NumberHeader(found->number));
}

MHD_Result Site::Stream(MHD_Connection* connection, bool head) const {
    if (head) {
        return QueueText(connection, MHD_HTTP_OK, MultipartStream::ContentType(), "");
    }
    return QueueStreaming(
        connection, MultipartStream::ContentType(),
        std::make_unique<MultipartStream>(state.pictures, state.streamViewers,
                                          MinimumGap(state.options.maxPicturesPerSecond)),
        {StreamingWait(state.options.idleTimeoutSeconds), state.options.idleTimeoutSeconds});
}

MHD_Result Site::Events(MHD_Connection* connection, bool head) const {
    constexpr const char* kEventType = "text/event-stream";
    if (head) {
        return QueueText(connection, MHD_HTTP_OK, kEventType, "");
    }
    return QueueStreaming(
        connection, kEventType,
        std::make_unique<EventStream>(
            state.changes, [this] { return StateText(); }, EventStream::Pacing{}),
        {StreamingWait(state.options.idleTimeoutSeconds), state.options.idleTimeoutSeconds});
}

} // namespace web
