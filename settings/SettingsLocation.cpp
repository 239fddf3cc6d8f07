#include "settings/SettingsLocation.h"

#include <limits>

std::u16string CollapseBackslashPairs(const std::u16string& text) {
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == u'\\' && i + 1 < text.size() && text[i + 1] == u'\\') {
            ++i;
        }
    }
    return out;
}

std::u16string FolderComparisonText(const std::u16string& folder,
                                    const std::function<std::u16string(std::u16string)>& foldCase) {
    return foldCase(CollapseBackslashPairs(folder + u'\\'));
}

std::u16string SettingsFileIn(const std::u16string& folder) {
    return folder + u'\\' + kProductName + u".ini";
}

std::u16string PerUserSettingsFolder(const std::u16string& appData) {
    return appData + u'\\' + kProductName;
}

SettingsLocation ChooseSettingsLocation(const std::u16string& tempFolder,
                                        const std::u16string& programFolder,
                                        const std::u16string& probe,
                                        const SettingsLocationQueries& queries) {
    // A temporary folder the system could not name is no folder at all; its bare backslash
    // would otherwise match every path that starts with one.
    if (!tempFolder.empty()) {
        const std::u16string tempText = FolderComparisonText(tempFolder, queries.foldCase);
        const std::u16string programText = FolderComparisonText(programFolder, queries.foldCase);
        if (programText.compare(0, tempText.size(), tempText) == 0) {
            return SettingsLocation::PerUser;
        }
    }
    const std::u16string beside = SettingsFileIn(programFolder);
    if (queries.pathState(beside) != kPathIsFile) {
        return SettingsLocation::PerUser;
    }
    // Some systems let a privileged user write a read-only file; the attribute is the user's
    // word that the file stays as it is.
    if (queries.isReadOnly(beside)) {
        return SettingsLocation::PerUser;
    }
    if (queries.writeProbeAndReadBack(beside, probe) != probe) {
        return SettingsLocation::PerUser;
    }
    return SettingsLocation::BesideProgram;
}

namespace {

bool IsBlank(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

} // namespace

int32_t ParseSettingInt(const char16_t* text) {
    while (IsBlank(*text)) {
        ++text;
    }
    bool negative = false;
    if (*text == u'+' || *text == u'-') {
        negative = *text == u'-';
        ++text;
    }
    // Accumulated in 64 bits and capped just past the int32_t range, so no run of digits can
    // overflow; the cap then saturates to the nearer limit.
    constexpr int64_t kCap = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t value = 0;
    for (; *text >= u'0' && *text <= u'9'; ++text) {
        value = value * 10 + (*text - u'0');
        if (value > kCap) {
            value = kCap;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > std::numeric_limits<int32_t>::max()) {
        return std::numeric_limits<int32_t>::max();
    }
    return static_cast<int32_t>(value); // -kCap is exactly the int32_t minimum
}

int32_t SettingIntOrDefault(const std::u16string& text, int32_t defaultValue) {
    return text.empty() ? defaultValue : ParseSettingInt(text.c_str());
}

std::u16string FormatSettingInt(int32_t value) {
    std::u16string digits;
    int64_t magnitude = value;
    const bool negative = magnitude < 0;
    if (negative) {
        magnitude = -magnitude;
    }
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude > 0);
    if (negative) {
        digits.insert(digits.begin(), u'-');
    }
    return digits;
}

int32_t ProbeSeconds(int64_t unixSeconds, int32_t delta) {
    const uint32_t wrapped = static_cast<uint32_t>(unixSeconds) + static_cast<uint32_t>(delta);
    return static_cast<int32_t>(wrapped);
}
