#include "BrowserView.h"

#include "RunIdentity.h"
#include "web/ListenAddress.h"
#include "web/TlsFiles.h"
#include "web/Users.h"

#include <cstdio>

namespace headless {

std::optional<int> StartBrowserView(const HeadlessOptions& options, const char* program,
                                    const transfer::PictureRetention* retention,
                                    std::unique_ptr<web::WebView>& view) {
    if (!options.serveHttp) {
        return std::nullopt;
    }
    web::WebOptions settings = options.http.view;
    if (!options.http.usersFile.empty()) {
        web::LoadedUsers loaded = web::LoadUsersFile(options.http.usersFile);
        if (!loaded.error.empty()) {
            std::fprintf(stderr, "%s: %s\n", program, loaded.error.c_str());
            return kExitUsage;
        }
        settings.users = std::move(loaded.users);
    }
    if (!options.http.certificateFile.empty()) {
        web::LoadedTls loaded =
            web::LoadTlsFiles(options.http.certificateFile, options.http.keyFile);
        if (!loaded.error.empty()) {
            std::fprintf(stderr, "%s: %s\n", program, loaded.error.c_str());
            return kExitUsage;
        }
        settings.tls = std::move(loaded.credentials);
    }
    const bool open = settings.users.Empty() && !web::IsLoopback(settings.listen);
    const bool secure = !settings.tls.Empty();
    web::ListenAddress listen = settings.listen;
    view = std::make_unique<web::WebView>(std::move(settings), DescribeRun(options), retention);
    if (const std::string error = view->Start(); !error.empty()) {
        std::fprintf(stderr, "%s: cannot serve the browser view: %s\n", program, error.c_str());
        view.reset();
        return kExitFailure;
    }
    // With port 0 the system chose one; people need the one it chose.
    listen.port = view->Port();
    const std::string address = web::DescribeListenAddress(listen);
    if (open) {
        std::fprintf(stderr,
                     "%s: warning: anyone who reaches %s can watch the camera; give "
                     "--http-users to ask for a password\n",
                     program, address.c_str());
    }
    std::fprintf(stderr, "%s: the browser view is at %s://%s/\n", program,
                 secure ? "https" : "http", address.c_str());
    return std::nullopt;
}

} // namespace headless
