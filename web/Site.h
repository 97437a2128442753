#pragma once

#include "HostCheck.h"
#include "ViewState.h"

#include <microhttpd.h>
#include <string_view>

namespace web {

// Answers one request: who may ask, which methods, and what each address
// gives. Nothing is read from disk by a name taken from the request; a
// picture is asked for by number and found in the run's own list.
class Site {
public:
    explicit Site(const ViewState& state)
        : state(state), hosts(state.options.listen, state.options.hostNames) {}

    // A request whose headers are in.
    struct Request {
        std::string_view url; // decoded
        std::string_view method;
        std::string_view version;
        bool targetWhole = true; // false: a raw NUL cut the target short
        int socket = -1;
    };
    MHD_Result Answer(MHD_Connection* connection, const Request& request);

    static constexpr const char* kRealm = "Zelnor2";

private:
    bool Authorised(MHD_Connection* connection) const;
    HostVerdict JudgeHost(MHD_Connection* connection, const Request& request) const;
    MHD_Result Snapshot(MHD_Connection* connection) const;
    MHD_Result Picture(MHD_Connection* connection, std::string_view numberText) const;
    MHD_Result Stream(MHD_Connection* connection, bool head) const;
    MHD_Result Events(MHD_Connection* connection, bool head) const;
    MHD_Result NotFound(MHD_Connection* connection) const;
    // The newest pictures of the run for "/pictures/", newest first: their
    // numbers and when they were stored.
    std::string PictureList() const;
    // The run's state as /state and each of /events give it.
    std::string StateText() const;

    const ViewState& state;
    const HostCheck hosts;
};

} // namespace web
