#pragma once

#include "StreamingBody.h"
#include "ViewPicture.h"

#include <chrono>
#include <memory>
#include <microhttpd.h>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace web {

using Headers = std::vector<std::pair<std::string, std::string>>;

// Each builds a response, queues it on the connection and lets go of it; the
// result is what the request handler returns to libmicrohttpd.
MHD_Result QueueText(MHD_Connection* connection, unsigned status, std::string_view contentType,
                     std::string_view body, const Headers& headers = {});

// The picture's bytes go out from the shared picture itself, kept alive until
// libmicrohttpd is done with them.
MHD_Result QueuePicture(MHD_Connection* connection, SharedPicture picture,
                        const Headers& headers = {});

// A body without an end, filled on the connection's thread. While the body
// waits for something to send, the idle timeout starts again: the server is
// idle then, not the viewer. The stream ends when the body says so.
struct StreamingOptions {
    std::chrono::steady_clock::duration wait;
    unsigned idleTimeoutSeconds = 0;
};
MHD_Result QueueStreaming(MHD_Connection* connection, std::string_view contentType,
                          std::unique_ptr<StreamingBody> body, StreamingOptions options);

// 401 with the Basic challenge for the realm.
MHD_Result QueueUnauthorised(MHD_Connection* connection, const char* realm);

} // namespace web
