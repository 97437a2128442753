#include "ClientOptions.h"

#include "headless/HeadlessOptions.h"

namespace {

bool IsHeadlessValue(const std::vector<std::string>& arguments, std::size_t index) {
    return index > 0 && headless::TakesValue(arguments[index - 1]);
}

} // namespace

bool TakeCommandLineOption(std::vector<std::string>& arguments, std::string_view option) {
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        if (IsHeadlessValue(arguments, index)) {
            continue;
        }
        std::string& argument = arguments[index];
        for (std::size_t at = 0; at < argument.size(); ++at) {
            const char sign = argument[at];
            if ((sign == '/' || sign == '-') &&
                std::string_view(argument).substr(at + 1, option.size()) == option) {
                argument.erase(at, option.size() + 1);
                if (argument.empty()) {
                    arguments.erase(arguments.begin() + static_cast<std::ptrdiff_t>(index));
                }
                return true;
            }
        }
    }
    return false;
}

ClientStart RecogniseClientOptions(std::vector<std::string> arguments) {
    ClientStart start;
    start.forClient = TakeCommandLineOption(arguments, kEmbeddingOption) ||
                      TakeCommandLineOption(arguments, kAutomationOption);
    start.arguments = std::move(arguments);
    return start;
}
