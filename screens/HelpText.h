#pragma once
// The multi-line texts of the start screen and of the touch error box, assembled from numbered
// strings of the active language.

#include <cstddef>

inline constexpr size_t kTouchErrorCapacity = 2048; // wide characters, terminating zero included

// The start screen's body, built afresh in the current language at every call. Two line breaks
// lead (the title stands on the first line); ids 40..56 follow one per line, with an empty line
// after 51, 52, 53, 55 and 56. Valid until the next call.
const char16_t* BuildHelpText();

// The body of the box shown when touch registration fails: the texts of ids 61, 62 and 63 as
// points 1 to 3, separated by empty lines, line feeds only. Each call rebuilds it from empty;
// it never exceeds kTouchErrorCapacity.
const char16_t* BuildTouchErrorText();
