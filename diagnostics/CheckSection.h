#pragma once
// One check's part of the session report: plain lines of text and a verdict, so the report
// writer needs to know nothing about the check that made it.

#include <string>
#include <vector>

#include "lang/StringLookup.h"

struct CheckSection {
    enum class Verdict { Pass, Fail, NotRun };

    std::u16string title;
    std::vector<std::u16string> lines;
    Verdict verdict = Verdict::NotRun;
};

// Where the checks take their texts from; tests pass a table of known texts instead.
using CheckLookup = const char16_t* (*)(StringId);

// The text of the id, empty when the lookup has none.
inline const char16_t* CheckTextOf(CheckLookup lookup, StringId id) {
    const char16_t* text = lookup != nullptr ? lookup(id) : nullptr;
    return text != nullptr ? text : u"";
}
