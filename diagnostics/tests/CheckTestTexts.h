#pragma once
// Known texts for the checks' string ids, so the tests don't depend on the shipped language.

#include <string>

#include "diagnostics/CheckStrings.h"

inline const char16_t* CheckTestText(StringId id) {
    using namespace CheckText;
    switch (id) {
    case CellsLeft:
        return u"left %1/%2";
    case GridComplete:
        return u"all %1 in %2 s";
    case GridTitle:
        return u"GRID";
    case UntouchedLine:
        return u"untouched r%1 c%2 at %3";
    case GridShape:
        return u"%1x%2 band %3";
    case GridPicture:
        return u"picture %1";
    case NoGhosts:
        return u"none in %1 s";
    case GhostsSeen:
        return u"%1 ghosts in %2 s";
    case EndedEarly:
        return u"early at %1 s";
    case GhostLine:
        return u"#%1 %2 s id %3 at %4 lasted %5";
    case StillDown:
        return u"#%1 %2 s id %3 at %4 down %5";
    case WatchTitle:
        return u"WATCH";
    case SummaryLine:
        return u"max %1 mean %2 %3";
    case Millimetres:
        return u"mm";
    case Pixels:
        return u"px";
    case Pass:
        return u"PASS";
    case Fail:
        return u"FAIL";
    case SuggestCalibration:
        return u"calibrate";
    case NoPhysicalSize:
        return u"no size";
    case AccuracyTitle:
        return u"ACCURACY";
    case TargetLine:
        return u"t%1 %2 -> %3 d%4 %5 bar %6 %7";
    case TargetsTouched:
        return u"%1 of %2 targets";
    default:
        return nullptr;
    }
}

inline std::string Narrow(const std::u16string& text) {
    return std::string(text.begin(), text.end());
}
