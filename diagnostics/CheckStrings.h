#pragma once
// String ids of the guided checks' texts (English in resources/lang/01-english.txt).

#include "lang/StringLookup.h"

namespace CheckText {
// Coverage grid
inline constexpr StringId CellsLeft = 74;     // "%1 of %2 cells left"
inline constexpr StringId GridLeave = 75;     // "[G] leaves"
inline constexpr StringId StrokeSlowly = 76;  // advice against gaps of a too fast stroke
inline constexpr StringId GridComplete = 77;  // "All %1 cells touched in %2 s"
inline constexpr StringId GridTitle = 78;     // report title
inline constexpr StringId UntouchedLine = 79; // "Untouched: row %1, column %2 at %3"
inline constexpr StringId GridShape = 80;     // "%1 columns x %2 rows, edge band %3"
inline constexpr StringId GridPicture = 81;   // "Picture of the grid: %1"
// Ghost watch
inline constexpr StringId HandsOff = 82;      // take everything off the screen
inline constexpr StringId WatchEndEarly = 83; // "[H] ends the watch early"
inline constexpr StringId NoGhosts = 84;      // "No ghost touches in %1 s"
inline constexpr StringId GhostsSeen = 85;    // "%1 ghost touches in %2 s"
inline constexpr StringId EndedEarly = 86;    // "Ended early after %1 s"
inline constexpr StringId GhostLine = 87;     // one ghost: number, time, id, place, duration
inline constexpr StringId StillDown = 88;     // the same for a ghost still down at the end
inline constexpr StringId WatchTitle = 89;    // report title
// Accuracy check
inline constexpr StringId TargetPrompt = 93; // "Target %1 of %2: touch its centre ... and lift"
inline constexpr StringId TooFar = 94;       // a touch too far from the target
inline constexpr StringId AccuracyLeave = 95;
inline constexpr StringId SummaryLine = 96; // "Largest offset %1, mean offset %2: %3"
inline constexpr StringId Millimetres = 97; // unit symbol
inline constexpr StringId Pixels = 98;      // unit symbol
inline constexpr StringId Pass = 116;       // shared with the touch figures
inline constexpr StringId Fail = 117;
inline constexpr StringId SuggestCalibration = 65;
inline constexpr StringId NoPhysicalSize = 66;
inline constexpr StringId AccuracyTitle = 67;  // report title
inline constexpr StringId TargetLine = 68;     // one target of the report
inline constexpr StringId TargetsTouched = 69; // "%1 of %2 targets touched"
} // namespace CheckText
