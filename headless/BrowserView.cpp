#include "BrowserView.h"

#include "RunIdentity.h"
#include "web/Users.h"
#include "web/WebOptions.h"

#include <cstdio>

namespace headless {

std::optional<Refusal> StartBrowserView(const HeadlessOptions& options, const char* program,
                                        const transfer::RunTally& tally,
                                        const transfer::PictureRetention* retention,
                                        std::unique_ptr<web::WebView>& view) {
    if (!options.serveHttp) {
        return std::nullopt;
    }
    web::WebOptions settings = options.http.view;
    if (!options.http.usersFile.empty()) {
        web::LoadedUsers loaded = web::LoadUsersFile(options.http.usersFile);
        if (!loaded.error.empty()) {
            return Refusal{kExitUsage, std::move(loaded.error)};
        }
        settings.users = std::move(loaded.users);
    }
    if (!options.http.certificateFile.empty()) {
        web::LoadedTls loaded =
            web::LoadTlsFiles(options.http.certificateFile, options.http.keyFile);
        if (!loaded.error.empty()) {
            return Refusal{kExitUsage, std::move(loaded.error)};
        }
        settings.tls = std::move(loaded.credentials);
    }
    const bool open = settings.users.Empty() && !web::IsLoopback(settings.listen);
    const bool secure = !settings.tls.Empty();
    web::ListenAddress listen = settings.listen;
    view =
        std::make_unique<web::WebView>(std::move(settings), DescribeRun(options), tally, retention);
    if (const std::string error = view->Start(); !error.empty()) {
        view.reset();
        return Refusal{kExitFailure, "cannot serve the browser view: " + error};
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
