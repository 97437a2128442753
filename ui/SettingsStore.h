#pragma once

#include <cstdint>
#include <string_view>

// The per-user store of named signed 32-bit settings, one section per group,
// in the INI file <config folder>/Zelnor/<application name>.ini.
namespace SettingsStore {

inline constexpr std::string_view kWindowsPlaces = "WindowsPlaces";
inline constexpr std::string_view kCommunication = "Comunication";

inline constexpr std::string_view kMainX = "MainX";
inline constexpr std::string_view kMainY = "MainY";
inline constexpr std::string_view kPictureX = "PictureX";
inline constexpr std::string_view kPictureY = "PictureY";
inline constexpr std::string_view kPort = "Port";
inline constexpr std::string_view kBaudrate = "Baudrate";

// The stored value, or fallback when it is missing or not a signed 32-bit
// number.
std::int32_t ReadInt(std::string_view section, std::string_view key, std::int32_t fallback);

// Stores the value; false when the file could not be written (the callers
// carry on regardless, as a lost setting only costs a default next time).
bool WriteInt(std::string_view section, std::string_view key, std::int32_t value);

} // namespace SettingsStore
