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

// Sends one WM_TOUCH message carrying these inputs (positions in screen pixels) and
// returns the window procedure's result.
LRESULT SendTouch(HWND window, const std::vector<TOUCHINPUT>& inputs);

} // namespace faketouch
