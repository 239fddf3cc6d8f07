#pragma once
// Where the settings file lives and how its integer values read: the decisions, fed by the few
// file-system answers they need.

#include <cstdint>
#include <functional>
#include <string>

inline constexpr char16_t kProductName[] = u"Quillfern";

// Answers of the path-state query (GetPathState).
inline constexpr int kPathMissing = 0;
inline constexpr int kPathIsFile = 1;
inline constexpr int kPathIsFolder = 2;
inline constexpr int kPathQueryFailed = -1;

// Replaces each pair of consecutive backslashes by one, pairs taken left to right without
// overlap: three in a row become two.
std::u16string CollapseBackslashPairs(const std::u16string& text);

// A folder as the temporary-folder comparison sees it: a backslash appended, backslash pairs
// collapsed, letter case folded.
std::u16string FolderComparisonText(const std::u16string& folder,
                                    const std::function<std::u16string(std::u16string)>& foldCase);

// folder\Quillfern.ini
std::u16string SettingsFileIn(const std::u16string& folder);
// appData\Quillfern
std::u16string PerUserSettingsFolder(const std::u16string& appData);

enum class SettingsLocation { BesideProgram, PerUser };

// The file-system answers the choice needs. Each is asked only when the choice gets that far,
// so nothing is written beside a program that runs from the temporary folder.
struct SettingsLocationQueries {
    std::function<std::u16string(std::u16string)> foldCase;
    std::function<int(const std::u16string& path)> pathState;
    std::function<bool(const std::u16string& path)> isReadOnly;
    // Writes the probe value into the file and returns what reading it back gives.
    std::function<std::u16string(const std::u16string& path, const std::u16string& probe)>
        writeProbeAndReadBack;
};

// The file beside the program is kept only when it is a file, not read-only, the program is
// not inside the temporary folder, and the probe written into it reads back unchanged.
SettingsLocation ChooseSettingsLocation(const std::u16string& tempFolder,
                                        const std::u16string& programFolder,
                                        const std::u16string& probe,
                                        const SettingsLocationQueries& queries);

// A stored integer as _wtoi reads it: leading blanks, one sign, digits up to the first other
// character; no leading digits give 0. Out-of-range values saturate instead of overflowing.
int32_t ParseSettingInt(const char16_t* text);
// The empty text (no file, no key, empty value) gives the default.
int32_t SettingIntOrDefault(const std::u16string& text, int32_t defaultValue);
std::u16string FormatSettingInt(int32_t value);

// Seconds since 1970 as the 32-bit number the probe stores, offset by delta, wrapping rather
// than overflowing.
int32_t ProbeSeconds(int64_t unixSeconds, int32_t delta = 0);
