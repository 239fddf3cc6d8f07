#include "tests/support/FakeTouch.h"

#include <map>

#include "touch/TouchApi.h"

namespace faketouch {
namespace {

Counters counters;
BOOL registrationResult = TRUE;
bool failNextRead = false;
std::map<HTOUCHINPUT, std::vector<TOUCHINPUT>> pending;
UINT_PTR nextHandle = 0x1000;

TOUCHINPUT Make(DWORD id, LONG screenX, LONG screenY, DWORD flags) {
    TOUCHINPUT input = {};
    // The system reports hundredths of a pixel.
    input.x = screenX * 100;
    input.y = screenY * 100;
    input.dwID = id;
    input.dwFlags = flags;
    return input;
}

} // namespace

void Reset() {
    counters = {};
    registrationResult = TRUE;
    failNextRead = false;
    pending.clear();
}

const Counters& Calls() {
    return counters;
}

void SetRegistrationResult(BOOL result) {
    registrationResult = result;
}

void FailNextRead() {
    failNextRead = true;
}

TOUCHINPUT Down(DWORD id, LONG screenX, LONG screenY) {
    return Make(id, screenX, screenY, TOUCHEVENTF_DOWN | TOUCHEVENTF_INRANGE);
}

TOUCHINPUT Move(DWORD id, LONG screenX, LONG screenY) {
    return Make(id, screenX, screenY, TOUCHEVENTF_MOVE | TOUCHEVENTF_INRANGE);
}

TOUCHINPUT Up(DWORD id, LONG screenX, LONG screenY) {
    return Make(id, screenX, screenY, TOUCHEVENTF_UP);
}

// ---- For the touch diagnostics.

TOUCHINPUT WithTime(TOUCHINPUT input, DWORD timeMs) {
    input.dwTime = timeMs;
    return input;
}

TOUCHINPUT WithContactSize(TOUCHINPUT input, DWORD width, DWORD height) {
    input.cxContact = width;
    input.cyContact = height;
    input.dwMask |= TOUCHINPUTMASKF_CONTACTAREA;
    return input;
}

TOUCHINPUT WithFlags(TOUCHINPUT input, DWORD flags) {
    input.dwFlags |= flags;
    return input;
}

TOUCHINPUT WithPosition(TOUCHINPUT input, LONG x100, LONG y100) {
    input.x = x100;
    input.y = y100;
    return input;
}

LRESULT SendTouch(HWND window, const std::vector<TOUCHINPUT>& inputs) {
    const auto handle = reinterpret_cast<HTOUCHINPUT>(nextHandle++);
    pending[handle] = inputs;
    counters.sentHandles.push_back(handle);
    return SendMessageW(window, WM_TOUCH, MAKEWPARAM(inputs.size(), 0),
                        reinterpret_cast<LPARAM>(handle));
}

} // namespace faketouch

using namespace faketouch;

BOOL TouchApiRegisterWindow(HWND, ULONG) {
    ++counters.registerCalls;
    return registrationResult;
}

BOOL TouchApiGetInputInfo(HTOUCHINPUT input, UINT count, PTOUCHINPUT inputs, int recordSize) {
    ++counters.readCalls;
    const auto found = pending.find(input);
    if (failNextRead || found == pending.end() || recordSize != sizeof(TOUCHINPUT) ||
        count != found->second.size()) {
        failNextRead = false;
        return FALSE;
    }
    for (UINT i = 0; i < count; ++i) {
        inputs[i] = found->second[i];
    }
    return TRUE;
}

BOOL TouchApiCloseInputHandle(HTOUCHINPUT input) {
    ++counters.closeCalls;
    counters.closedHandles.push_back(input);
    return pending.erase(input) ? TRUE : FALSE;
}
