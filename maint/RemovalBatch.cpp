#include "maint/RemovalBatch.h"

#include <algorithm>
#include <vector>

namespace {

constexpr char16_t kLineEnd[] = u"\r\n";

// The command interpreter expands %NAME% also inside quotes; %% stands for one %.
std::u16string EscapePercent(const std::u16string& text) {
    std::u16string escaped;
    escaped.reserve(text.size());
    for (char16_t c : text) {
        escaped += c;
        if (c == u'%') {
            escaped += u'%';
        }
    }
    return escaped;
}

std::u16string Quoted(const std::u16string& text) {
    std::u16string quoted(1, u'"');
    quoted += EscapePercent(text);
    quoted += u'"';
    return quoted;
}

std::u16string Decimal(int value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

} // namespace

std::u16string FileNameOfPath(const std::u16string& path) {
    std::u16string copy = path;
    std::replace(copy.begin(), copy.end(), u'/', u'\\');
    const size_t last = copy.rfind(u'\\');
    return last == std::u16string::npos ? copy : copy.substr(last + 1);
}

std::u16string RemovalBatchName(const std::u16string& programPath) {
    std::u16string name = FileNameOfPath(programPath);
    // The interpreter is started as cmd /c "<batch path>" and expands %NAME% in that command
    // line, where no doubling helps: a batch named with percent signs would never start.
    std::replace(name.begin(), name.end(), u'%', u'_');
    return name + kRemovalBatchSuffix;
}

std::u16string BuildRemovalBatchText(const std::u16string& programPath,
                                     const std::u16string& batchName, int maxTries) {
    const std::u16string program = Quoted(programPath);
    const std::u16string tries = Decimal(std::max(maxTries, 1));
    // The five lines of the classic self-deleting batch keep their order and form; the lines
    // between them count the tries and pause (ping waits about a second between its two echoes,
    // and exists in every Windows and in Wine, unlike timeout).
    // Delayed expansion may be on for every interpreter (a registry setting); it would read a
    // "!" of the path as the start of a variable and DEL would name another file.
    const std::vector<std::u16string> lines = {
        u"setlocal DisableDelayedExpansion",
        u"set /a QuillfernTries=0",
        u":Repeat",
        u"DEL " + program,
        u"set /a QuillfernTries+=1",
        u"if %QuillfernTries% GEQ " + tries + u" goto GiveUp",
        u"if exist " + program + u" ping -n 2 127.0.0.1 >nul",
        u"if exist " + program + u" goto Repeat",
        u":GiveUp",
        u"DEL " + Quoted(batchName),
        u"DEL \"\"",
    };
    std::u16string text;
    for (const std::u16string& line : lines) {
        text += line + kLineEnd;
    }
    return text;
}

std::optional<RemovalBatch> PrepareRemovalBatch(const std::u16string& programPath,
                                                const std::u16string& shortProgramPath,
                                                const BatchEncoder& encode, int maxTries) {
    struct Candidate {
        const std::u16string& path;
        const std::u16string& nameSource;
    };
    // The program's own names first; the short forms only where the long ones can't be written.
    const Candidate candidates[] = {
        {programPath, programPath},
        {shortProgramPath, programPath},
        {shortProgramPath, shortProgramPath},
    };
    for (const Candidate& candidate : candidates) {
        if (FileNameOfPath(candidate.path).empty() ||
            FileNameOfPath(candidate.nameSource).empty()) {
            continue;
        }
        RemovalBatch batch{candidate.path, RemovalBatchName(candidate.nameSource), {}};
        std::optional<std::string> bytes =
            encode(BuildRemovalBatchText(batch.programPath, batch.name, maxTries));
        if (bytes) {
            batch.bytes = std::move(*bytes);
            return batch;
        }
    }
    return std::nullopt;
}
