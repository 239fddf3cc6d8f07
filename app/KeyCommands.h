#pragma once
// Which commands a key press runs. The window procedure supplies the key state and runs the
// commands; the order of the tests and where they stop is decided here.

#include <cstdint>
#include <functional>

namespace Vk {
inline constexpr int Back = 0x08;
inline constexpr int Return = 0x0D;
inline constexpr int Escape = 0x1B;
inline constexpr int A = 0x41;
inline constexpr int C = 0x43;
inline constexpr int D = 0x44;
inline constexpr int G = 0x47;
inline constexpr int H = 0x48;
inline constexpr int I = 0x49;
inline constexpr int L = 0x4C;
inline constexpr int R = 0x52;
inline constexpr int T = 0x54;
inline constexpr int X = 0x58;
inline constexpr int F1 = 0x70;
inline constexpr int F2 = 0x71;
inline constexpr int F11 = 0x7A;
inline constexpr int LeftAlt = 0xA4;
} // namespace Vk

enum class KeyPressClass { FirstPress, Repeat, Release };

enum class KeyCommand {
    Quit,
    OpenMakerPage,
    ScreenIndexBack,
    ShowStartScreen,
    ExportTranslationTemplate,
    None,
    ToggleFullScreen,
    RemoveProgram,
    OpenTouchCalibration,
    StartSpeedTest,
    ShowLanguageMenu,
    ToggleTouchReadout,
    WriteTouchReport,
    CoverageGridKey,
    GhostWatchKey,
    AccuracyCheckKey,
};

KeyPressClass ClassifyKeyDown(uint32_t lParam);

struct KeyDownHandlers {
    std::function<bool()> isLeftAltDown;           // GetKeyState: the message's own view
    std::function<bool(int virtualKey)> isKeyDown; // GetAsyncKeyState: held right now
    std::function<void(KeyCommand)> run;
};

// Runs the key-down commands in their fixed order, each as soon as its key is found held.
// Returns the window procedure's result: 1 when left Alt or T acted, else 0.
int32_t RunKeyDown(uint32_t lParam, const KeyDownHandlers& handlers);

// Key-up commands look only at the released key.
KeyCommand KeyUpCommand(int virtualKey);
