#pragma once

#include "ConnectionWatch.h"
#include "Site.h"
#include "WebOptions.h"
#include "platform/NoCopy.h"

#include <cstdint>
#include <memory>
#include <microhttpd.h>
#include <string>

namespace web {

// libmicrohttpd with a thread for each connection, so that each viewer's
// socket paces only that viewer, and the limits of the options.
class HttpServer : private platform::NoCopy {
public:
    HttpServer() = default;
    ~HttpServer() { Stop(); }

    // Binds and starts serving; the error names the address and the reason.
    std::string Start(const WebOptions& options, Site& site);
    // Closes every connection and joins every thread. Streaming bodies must
    // have been told to end first, as a thread waiting in one is not joined.
    void Stop();

    std::uint16_t Port() const { return port; }

private:
    static MHD_Result Dispatch(void* server, MHD_Connection* connection, const char* url,
                               const char* method, const char* version, const char* upload,
                               std::size_t* uploadSize, void** requestContext);
    static void Notice(void* server, MHD_Connection* connection, void** socketContext,
                       MHD_ConnectionNotificationCode code);
    static void Completed(void* server, MHD_Connection* connection, void** requestContext,
                          MHD_RequestTerminationCode why);

    MHD_Daemon* daemon = nullptr;
    Site* site = nullptr;
    std::unique_ptr<ConnectionWatch> watch;
    std::uint16_t port = 0;
};

} // namespace web
