#include "touch/TouchApi.h"

namespace {

// One cached module handle per binding; a failed load is tried again on the next call.
HMODULE registerModule = nullptr;
HMODULE getInfoModule = nullptr;
HMODULE closeModule = nullptr;

// The entry point is looked up on every call, not cached.
template <typename Function> Function LookUp(HMODULE& module, const char* name) {
    if (!module) {
        module = LoadLibraryW(L"user32.dll");
        if (!module) {
            return nullptr;
        }
    }
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

} // namespace

BOOL TouchApiRegisterWindow(HWND window, ULONG flags) {
    using Function = BOOL(WINAPI*)(HWND, ULONG);
    const Function function = LookUp<Function>(registerModule, "RegisterTouchWindow");
    return function ? function(window, flags) : 0;
}

BOOL TouchApiGetInputInfo(HTOUCHINPUT input, UINT count, PTOUCHINPUT inputs, int recordSize) {
    using Function = BOOL(WINAPI*)(HTOUCHINPUT, UINT, PTOUCHINPUT, int);
    const Function function = LookUp<Function>(getInfoModule, "GetTouchInputInfo");
    return function ? function(input, count, inputs, recordSize) : 0;
}

BOOL TouchApiCloseInputHandle(HTOUCHINPUT input) {
    using Function = BOOL(WINAPI*)(HTOUCHINPUT);
    const Function function = LookUp<Function>(closeModule, "CloseTouchInputHandle");
    return function ? function(input) : 0;
}
