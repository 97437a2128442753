#pragma once

#include <string>
#include <string_view>
#include <vector>

// The options with which another program starts this one for itself. A
// machine without an object service for such clients still accepts them, so
// that scripts written for the program keep working; they only mark the start.
inline constexpr std::string_view kEmbeddingOption = "Embedding";
inline constexpr std::string_view kAutomationOption = "Automation";

// Looks for option right after a '/' or '-' anywhere in the arguments, letter
// case included and compared over the option's own length only, so that
// "-Automationfoo" counts and "-automation" does not. The first such place
// loses the sign and the option; an argument left empty goes altogether. The
// values of the headless options are left alone, since a path such as
// /home/me/Automation/shot.jpg is no option. True when found.
bool TakeCommandLineOption(std::vector<std::string>& arguments, std::string_view option);

struct ClientStart {
    bool forClient = false;
    std::vector<std::string> arguments; // what remains for the other options
};

// "Embedding", and only when it is absent "Automation": either one marks the
// start as made for a client.
ClientStart RecogniseClientOptions(std::vector<std::string> arguments);
