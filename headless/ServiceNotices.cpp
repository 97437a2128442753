#include "ServiceNotices.h"

#include "platform/Overloaded.h"
#include "platform/ServiceNotify.h"
#include "transfer/StatusTexts.h"

#include <string>

namespace headless {

void ServiceNotices::OnRunEvent(const transfer::RunEvent& event) {
    std::visit(platform::Overloaded{
                   [this](const transfer::WaitingForHeader&) {
                       if (waitingTold) {
                           return;
                       }
                       const std::string status =
                           "STATUS=" + std::string(transfer::kWaitingForHeaderText);
                       platform::NotifyServiceManager(ready ? status : "READY=1\n" + status);
                       ready = true;
                       waitingTold = true;
                   },
                   [this](const transfer::LineLost& lost) {
                       platform::NotifyServiceManager("STATUS=the line is lost: " + lost.reason);
                       waitingTold = false;
                   },
                   [this](const transfer::LineBack& back) {
                       platform::NotifyServiceManager("STATUS=the line is back: " + back.device);
                       waitingTold = false;
                   },
                   [](const transfer::Ended&) { platform::NotifyServiceManager("STOPPING=1"); },
                   [](const auto&) {},
               },
               event);
}

} // namespace headless
