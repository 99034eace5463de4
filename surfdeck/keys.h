// Registry names the web front end reads and writes (HKEY_CURRENT_USER).
#pragma once

namespace surfdeck {

inline constexpr const char* kAppBrowserKey =
    "SOFTWARE\\Quorvane Tech\\Quorvane Halvo Suite\\1.0\\appBrowser";

// appBrowser values.
inline constexpr const char* kBookmarkValue = "Quorvane Bookmark";
inline constexpr const char* kTypeUsedValue = "typeUsed";
inline constexpr const char* kNTimeoutValue = "NTimeout";
inline constexpr const char* kEisNValue = "EisN";
inline constexpr const char* kShiftOnWhenNumericValue = "ShiftOnWhenNumeric";
inline constexpr const char* kExitXBrowserValue = "ExitXBrowser";
inline constexpr const char* kPrevPValue = "PrevP";

// Values of an entry's subkey ("01", "02", ...).
inline constexpr const char* kMethodValue = "method";
inline constexpr const char* kServerValue = "server";
inline constexpr const char* kServerPathValue = "serverPath";
inline constexpr const char* kAppNameValue = "AppName";
inline constexpr const char* kCurSaveIndexValue = "CurSaveIndex";

// Read limits, in bytes with the terminator.
inline constexpr int kMethodBytes = 5;
inline constexpr int kPathBytes = 260;
inline constexpr int kSettingBytes = 10;

}  // namespace surfdeck
