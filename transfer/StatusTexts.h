#pragma once

#include "RunEvents.h"
#include "RunKind.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

class WorkerContext;

// The operator's status line for what a run tells: the words the dialog has
// always shown, with the language file's texts where it has them.
namespace transfer {

// Room of the status line, terminator included; a longer text is cut.
inline constexpr std::size_t kStatusTextSize = 255;

inline constexpr std::string_view kWaitingForHeaderText = "Waiting for valid header...";

// The status line that an event of a run of that kind brings; nothing when
// the line stays as it is. settings are the run's (the port to name).
std::optional<std::string> StatusLineFor(const RunEvent& event, RunKind kind,
                                         const WorkerContext& settings);

// text cut to the room of the status line.
std::string FitStatusText(std::string_view text);

// "Pic 640x480, 4864 of 32309 bytes read"
std::string ProgressText(const Progress& progress);

std::string LineLostText(std::string_view reason);
std::string LineBackText(std::string_view device);
std::string PictureFileErrorText();
std::string DisconnectedText();
// What continuous capture says of a port that does not open: "Error open
// Com3! " and the reason, or the reason alone for a device named by its path.
std::string CapturePortFailedText(const WorkerContext& context, std::string_view reason);

} // namespace transfer
