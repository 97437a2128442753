#include "Responses.h"

#include <memory>

namespace web {

namespace {

struct ResponseRelease {
    void operator()(MHD_Response* response) const { MHD_destroy_response(response); }
};
using ResponseHandle = std::unique_ptr<MHD_Response, ResponseRelease>;

// Headers every answer carries: nothing here is for caches, and nothing is
// to be taken for another type than it says.
void AddCommonHeaders(MHD_Response* response, const Headers& headers) {
    MHD_add_response_header(response, "Cache-Control", "no-store");
    MHD_add_response_header(response, "X-Content-Type-Options", "nosniff");
    for (const auto& [name, value] : headers) {
        MHD_add_response_header(response, name.c_str(), value.c_str());
    }
}

MHD_Result Queue(MHD_Connection* connection, unsigned status, ResponseHandle response) {
    if (!response) {
        return MHD_NO;
    }
    return MHD_queue_response(connection, status, response.get());
}

struct Streaming {
    std::unique_ptr<StreamingBody> body;
    MHD_Connection* connection = nullptr;
    StreamingOptions options;
};

ssize_t FillStreaming(void* context, std::uint64_t, char* buffer, std::size_t max) {
    auto* streaming = static_cast<Streaming*>(context);
    const auto filled = streaming->body->Fill({buffer, max}, streaming->options.wait);
    if (filled == StreamingBody::kClosed) {
        return MHD_CONTENT_READER_END_OF_STREAM;
    }
    if (filled == 0 && streaming->options.idleTimeoutSeconds != 0) {
        // A timeout set anew after none starts its clock again.
        MHD_set_connection_option(streaming->connection, MHD_CONNECTION_OPTION_TIMEOUT, 0u);
        MHD_set_connection_option(streaming->connection, MHD_CONNECTION_OPTION_TIMEOUT,
                                  streaming->options.idleTimeoutSeconds);
    }
    return filled;
}

void FreeStreaming(void* context) {
    delete static_cast<Streaming*>(context);
}

void FreePicture(void* context) {
    delete static_cast<SharedPicture*>(context);
}

} // namespace

MHD_Result QueueText(MHD_Connection* connection, unsigned status, std::string_view contentType,
                     std::string_view body, const Headers& headers) {
    ResponseHandle response(MHD_create_response_from_buffer(
        body.size(), const_cast<char*>(body.data()), MHD_RESPMEM_MUST_COPY));
    if (!response) {
        return MHD_NO;
    }
    MHD_add_response_header(response.get(), "Content-Type", std::string(contentType).c_str());
    AddCommonHeaders(response.get(), headers);
    return Queue(connection, status, std::move(response));
}

MHD_Result QueuePicture(MHD_Connection* connection, SharedPicture picture, const Headers& headers) {
    auto* keeper = new SharedPicture(std::move(picture));
    const auto& jpeg = (*keeper)->jpeg;
    ResponseHandle response(MHD_create_response_from_buffer_with_free_callback_cls(
        jpeg.size(), const_cast<std::uint8_t*>(jpeg.data()), &FreePicture, keeper));
    if (!response) {
        delete keeper;
        return MHD_NO;
    }
    MHD_add_response_header(response.get(), "Content-Type", "image/jpeg");
    AddCommonHeaders(response.get(), headers);
    return Queue(connection, MHD_HTTP_OK, std::move(response));
}

MHD_Result QueueStreaming(MHD_Connection* connection, std::string_view contentType,
                          std::unique_ptr<StreamingBody> body, StreamingOptions options) {
    auto* streaming = new Streaming{std::move(body), connection, options};
    // One picture in a block is the common case, so a block that takes a
    // typical camera JPEG whole saves callbacks.
    constexpr std::size_t kBlock = 64 * 1024;
    ResponseHandle response(MHD_create_response_from_callback(
        MHD_SIZE_UNKNOWN, kBlock, &FillStreaming, streaming, &FreeStreaming));
    if (!response) {
        delete streaming;
        return MHD_NO;
    }
    // No chunked encoding: the body runs until the connection closes, as
    // clients of such streams expect.
    MHD_set_response_options(response.get(), MHD_RF_HTTP_1_0_COMPATIBLE_STRICT, MHD_RO_END);
    MHD_add_response_header(response.get(), "Content-Type", std::string(contentType).c_str());
    AddCommonHeaders(response.get(), {});
    return Queue(connection, MHD_HTTP_OK, std::move(response));
}

MHD_Result QueueUnauthorised(MHD_Connection* connection, const char* realm) {
    constexpr std::string_view kBody = "Name and password needed.\n";
    ResponseHandle response(MHD_create_response_from_buffer(
        kBody.size(), const_cast<char*>(kBody.data()), MHD_RESPMEM_PERSISTENT));
    if (!response) {
        return MHD_NO;
    }
    MHD_add_response_header(response.get(), "Content-Type", "text/plain; charset=utf-8");
    AddCommonHeaders(response.get(), {});
    return MHD_queue_basic_auth_fail_response(connection, realm, response.get());
}

} // namespace web
