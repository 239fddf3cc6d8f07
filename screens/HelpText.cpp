#include "screens/HelpText.h"

#include <string>

#include "lang/StringLookup.h"
#include "screens/BoundedText.h"

namespace {

std::u16string HelpText;
char16_t TouchErrorText[kTouchErrorCapacity];

constexpr StringId kFirstHelpLine = 40;
constexpr StringId kLastHelpLine = 56;

bool HasEmptyLineAfter(StringId id) {
    return id == 51 || id == 52 || id == 53 || id == 55 || id == 56;
}

} // namespace

const char16_t* BuildHelpText() {
    HelpText.assign(u"\r\n\r\n");
    for (StringId id = kFirstHelpLine; id <= kLastHelpLine; ++id) {
        if (const char16_t* line = LookupString(id)) {
            HelpText.append(line);
        }
        HelpText.append(u"\r\n");
        if (HasEmptyLineAfter(id)) {
            HelpText.append(u"\r\n");
        }
    }
    return HelpText.c_str();
}

const char16_t* BuildTouchErrorText() {
    // Rebuilt from empty: appending to what an earlier call left would double the text.
    BoundedWriter out(TouchErrorText, kTouchErrorCapacity);
    out.Append(u"\n\n1. ");
    out.Append(LookupString(61));
    out.Append(u"\n\n2. ");
    out.Append(LookupString(62));
    out.Append(u"\n\n3. ");
    out.Append(LookupString(63));
    out.Append(u"\n\n");
    return TouchErrorText;
}
