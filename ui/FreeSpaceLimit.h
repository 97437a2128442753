#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The free-space value as the operator types it: optional blanks or tabs, a
// decimal number, optional blanks or tabs. Only the first 31 characters
// count. A number beyond 32 bits is held at 4294967295. Anything else (an
// empty text, a sign, any other character) gives no value.
std::optional<std::uint32_t> ParseFreeSpaceText(std::string_view text);

// Unit list positions of the free-space limit.
inline constexpr int kUnitKilobytes = 0;
inline constexpr int kUnitMegabytes = 1;

// The limit in bytes handed to the capture: the value capped at 4095, then
// scaled by the unit; any other unit index takes the capped value as bytes.
std::uint32_t FreeSpaceLimitBytes(std::uint32_t value, int unitIndex);
