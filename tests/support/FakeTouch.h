#pragma once
// A substitute touch source for the test programs: stands in for the touch binding, so a test
// can deliver WM_TOUCH messages with inputs of its choosing to the real window procedure.

#include <windows.h>

#include <vector>

namespace faketouch {

struct Counters {
    int registerCalls = 0;
    int readCalls = 0;
    int closeCalls = 0;
    std::vector<HTOUCHINPUT> sentHandles; // in the order SendTouch delivered them
    std::vector<HTOUCHINPUT> closedHandles;
};

void Reset();
const Counters& Calls();
void SetRegistrationResult(BOOL result);
void FailNextRead();

TOUCHINPUT Down(DWORD id, LONG screenX, LONG screenY);
TOUCHINPUT Move(DWORD id, LONG screenX, LONG screenY);
TOUCHINPUT Up(DWORD id, LONG screenX, LONG screenY);

// ---- For the touch diagnostics: the fields the plain inputs above leave at zero.
// The system's input time in milliseconds (dwTime).
TOUCHINPUT WithTime(TOUCHINPUT input, DWORD timeMs);
// Contact size in hundredths of a pixel, with TOUCHINPUTMASKF_CONTACTAREA set.
TOUCHINPUT WithContactSize(TOUCHINPUT input, DWORD width, DWORD height);
// Extra TOUCHEVENTF_* bits (primary, palm, pen).
TOUCHINPUT WithFlags(TOUCHINPUT input, DWORD flags);
// A position in hundredths of a pixel, for positions between whole pixels.
TOUCHINPUT WithPosition(TOUCHINPUT input, LONG x100, LONG y100);

// Sends one WM_TOUCH message carrying these inputs (positions in screen pixels) and
// returns the window procedure's result.
LRESULT SendTouch(HWND window, const std::vector<TOUCHINPUT>& inputs);

} // namespace faketouch
