// Layout of the current-settings file and of setting files.
#pragma once

#include <string>
#include <string_view>

namespace dxparams {

inline constexpr std::string_view kAppTypeSection = "APPTYPE";
inline constexpr std::string_view kAppNameKey = "APPNAME";
inline constexpr std::string_view kAppId = "DX410_430";

inline constexpr std::string_view kOptionSection = "OPTION";
inline constexpr std::string_view kModelKey = "MODEL";            // "0" DX-430, "1" DX-410
inline constexpr std::string_view kComPortKey = "COMPORT";        // "1".."4"
inline constexpr std::string_view kDeviceTypeKey = "DEVICETYPE";  // "1" RS422A, "2" RS485, "3" RS232C
// what the loader reads for the communication options
inline constexpr std::string_view kLoaderStyleKey = "COMMUNICATION STYLE";
inline constexpr std::string_view kLoaderMachineIdKey = "COMMUNICATION MACHINE ID";

inline constexpr std::string_view kCommunicationSection = "COMMUNICATION";
inline constexpr std::string_view kStyleKey = "STYLE";
inline constexpr std::string_view kMachineIdKey = "MACHINE ID";

inline constexpr std::string_view kCurrentFileName = "current.orn";
inline constexpr std::string_view kSettingFileFilter = "Setting File(*.dat)|*.dat|ALL Files(*.*)|*.*|";

// "02-POSITION TITLE No." + two decimal digits
std::string PositionTitleKey(int position);

// A file is usable only when [APPTYPE] APPNAME is exactly "DX410_430".
bool IsSettingFile(const std::string& path);

}  // namespace dxparams
