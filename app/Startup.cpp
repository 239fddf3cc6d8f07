#include "app/Startup.h"

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "lang/ArchiveLoad.h"
#include "lang/LanguageChoice.h"
#include "settings/SettingsFile.h"

void EnableDisplayScalingAwareness() {
    // Loaded once and kept: the function is missing before Vista.
    static const HMODULE user32 = LoadLibraryW(L"user32.dll");
    if (!user32) {
        return;
    }
    using SetAwareFunction = BOOL(WINAPI*)();
    const auto setAware = reinterpret_cast<SetAwareFunction>(
        reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDPIAware")));
    if (setAware) {
        setAware();
    }
}

int RunQuillfern() {
    AppState.instance = GetModuleHandleW(nullptr);
    EnableDisplayScalingAwareness();
    RegisterMainWindowClass();
    if (!LoadLanguageArchive()) {
        return 0; // the alert has been shown; no window
    }
    // A stored choice wins over the system language.
    CurrentLanguage = DefaultLanguageIndex();
    LocateSettingsFile();
    CurrentLanguage = ReadSettingInt(L"lng", CurrentLanguage);

    const HWND window = CreateMainWindow();
    if (!window) {
        return 0;
    }
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    // No clean-up: a running speed-test worker ends with the process.
    ExitProcess(0);
}
