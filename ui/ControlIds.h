#pragma once

// Identifiers of the main dialog's controls; each control carries its
// identifier, in decimal, as its object name.
namespace ControlId {
inline constexpr int kConnect = 1;
inline constexpr int kExit = 2;
inline constexpr int kPortList = 1000;
inline constexpr int kContinuousCapture = 1004;
inline constexpr int kLiveMode = 1005;
inline constexpr int kSpeedList = 1008;
inline constexpr int kStatusLine = 1025;
inline constexpr int kStop = 1029;
inline constexpr int kDisconnect = 1030;
inline constexpr int kConnectionGroup = 1053;
inline constexpr int kPicturesGroup = 1054;
inline constexpr int kFreeSpaceCheck = 1087;
inline constexpr int kFreeSpaceValue = 1088;
inline constexpr int kUnitList = 1089;
inline constexpr int kDeleteCorrupted = 1090;
} // namespace ControlId
