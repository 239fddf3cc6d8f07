#include "app/MainWindow.h"

#include "app/AppState.h"
#include "app/FullScreen.h"
#include "app/KeyCommands.h"
#include "app/WideText.h"
#include "diagnostics/win32/GuidedChecks.h"
#include "diagnostics/win32/TouchDiagnostics.h"
#include "lang/LanguageMenu.h"
#include "lang/StringLookup.h"
#include "maint/SelfRemoval.h"
#include "maint/ShellShortcuts.h"
#include "screens/HelpText.h"
#include "screens/StartScreen.h"
#include "speedtest/SpeedTest.h"
#include "touch/TouchApi.h"
#include "touch/TouchPaint.h"

AppStateRecord AppState;

namespace {

constexpr WORD kIconResource = 107;
constexpr StringId kTouchErrorCaption = 60;

bool KeyHeld(int virtualKey) {
    return (GetAsyncKeyState(virtualKey) & 0x8000) != 0;
}

void RunCommand(KeyCommand command) {
    switch (command) {
    case KeyCommand::Quit:
        PostQuitMessage(0);
        break;
    case KeyCommand::OpenMakerPage:
        OpenMakerPage();
        break;
    case KeyCommand::ScreenIndexBack:
        AppState.screenIndex -= 1;
        break;
    case KeyCommand::ShowStartScreen:
        AppState.screenIndex = -1;
        break;
    case KeyCommand::ToggleFullScreen:
        ToggleFullScreen();
        break;
    case KeyCommand::RemoveProgram:
        RemoveProgram();
        break;
    case KeyCommand::OpenTouchCalibration:
        OpenTouchCalibration();
        break;
    case KeyCommand::ExportTranslationTemplate:
        ExportTranslationTemplate();
        break;
    case KeyCommand::ToggleTouchReadout:
        ToggleDiagnosticsReadout(AppState.mainWindow);
        break;
    case KeyCommand::WriteTouchReport:
        WriteDiagnosticsReport(AppState.mainWindow);
        break;
    case KeyCommand::CoverageGridKey:
        PressCoverageGridKey(AppState.mainWindow);
        break;
    case KeyCommand::GhostWatchKey:
        PressGhostWatchKey(AppState.mainWindow);
        break;
    case KeyCommand::AccuracyCheckKey:
        PressAccuracyCheckKey(AppState.mainWindow);
        break;
    default:
        break;
    }
}

void OnCreate(HWND window) {
    AppState.mainWindow = window;
    ToggleFullScreen();
    ResetContacts(AppState.touchContacts);
    if (!TouchApiRegisterWindow(window, 0)) {
        // Held first: building the text looks up three more ids.
        const HeldString caption(kTouchErrorCaption);
        MessageBoxW(nullptr, AsWide(BuildTouchErrorText()), AsWide(caption.Get()), MB_OK);
    }
}

LRESULT OnPaint(HWND window) {
    // A guided check owns the window's pixels, contacts or not.
    if (ShownGuidedCheck() != GuidedCheck::None) {
        return PaintGuidedCheck(window);
    }
    // With the readout on, the touch picture stays after the last lift, so that the figures of
    // the stroke just finished can be read.
    if (AnyContactActive(AppState.touchContacts) ||
        (DiagnosticsReadoutOn() && !AppState.speedTestRunning.load())) {
        return PaintContacts(window);
    }
    if (AppState.speedTestRunning.load()) {
        // The worker draws; validate so the paint message does not come back at once.
        ValidateRect(window, nullptr);
        return 1;
    }
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(window, &paint);
    PaintScreen(dc, window);
    EndPaint(window, &paint);
    return 0;
}

LRESULT OnKeyDown(LPARAM lParam) {
    const KeyDownHandlers handlers{
        [] { return (GetKeyState(Vk::LeftAlt) & 0x8000) != 0; },
        KeyHeld,
        RunCommand,
    };
    return RunKeyDown(static_cast<uint32_t>(lParam), handlers);
}

LRESULT OnKeyUp(WPARAM wParam) {
    switch (KeyUpCommand(static_cast<int>(wParam))) {
    case KeyCommand::StartSpeedTest:
        if (AppState.speedTestRunning.load()) {
            return 1;
        }
        StartSpeedTest();
        AppState.screenIndex = -1;
        return 0;
    case KeyCommand::ShowLanguageMenu:
        AppState.screenIndex = -1;
        ShowLanguageMenu();
        return 1;
    default:
        return 0;
    }
}

} // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        OnCreate(window);
        return 0;
    case WM_SIZE:
        GuidedChecksClientResized(window);
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_PAINT:
        return OnPaint(window);
    case WM_CLOSE:
        // Not passed on: the window stays until the process ends.
        Sleep(100);
        PostQuitMessage(0);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_ERASEBKGND:
        return -1;
    case WM_KEYDOWN:
        return OnKeyDown(lParam);
    case WM_KEYUP:
        return OnKeyUp(wParam);
    case WM_CONTEXTMENU:
    case WM_COMMAND:
        return 0;
    case WM_TOUCH:
        return HandleTouchMessage(window, wParam, lParam);
    case WM_DISPLAYCHANGE:
        DiagnosticsDisplayChanged();
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_TIMER:
        HandleDiagnosticsTimer(window, wParam);
        HandleGuidedChecksTimer(window, wParam);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

void RegisterMainWindowClass() {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = AppState.instance;
    windowClass.hIcon = LoadIconW(AppState.instance, MAKEINTRESOURCEW(kIconResource));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kMainWindowClass;
    windowClass.hIconSm = LoadIconW(AppState.instance, MAKEINTRESOURCEW(kIconResource));
    RegisterClassExW(&windowClass);
}

HWND CreateMainWindow() {
    return CreateWindowExW(0, kMainWindowClass, kMainWindowTitle, WS_OVERLAPPEDWINDOW,
                           CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr, nullptr, AppState.instance,
                           nullptr);
}
