#include "app/KeyCommands.h"

#include <array>

namespace {

struct KeyDownStep {
    int virtualKey;
    KeyCommand command;
    bool endsTests;
};

// Esc, Enter and Backspace let the later tests run; every later step that fires ends them.
// The diagnostics' keys come last, so that every earlier key keeps its meaning when held with
// them.
constexpr std::array<KeyDownStep, 14> KeyDownSteps = {{
    {Vk::Escape, KeyCommand::Quit, false},
    {Vk::Return, KeyCommand::OpenMakerPage, false},
    {Vk::Back, KeyCommand::ScreenIndexBack, false},
    {Vk::F1, KeyCommand::ShowStartScreen, true},
    {Vk::T, KeyCommand::ExportTranslationTemplate, true},
    {Vk::X, KeyCommand::None, true},
    {Vk::F11, KeyCommand::ToggleFullScreen, true},
    {Vk::D, KeyCommand::RemoveProgram, true},
    {Vk::C, KeyCommand::OpenTouchCalibration, true},
    {Vk::I, KeyCommand::ToggleTouchReadout, true},
    {Vk::R, KeyCommand::WriteTouchReport, true},
    {Vk::G, KeyCommand::CoverageGridKey, true},
    {Vk::H, KeyCommand::GhostWatchKey, true},
    {Vk::A, KeyCommand::AccuracyCheckKey, true},
}};

} // namespace

KeyPressClass ClassifyKeyDown(uint32_t lParam) {
    if (lParam & 0x80000000u) {
        return KeyPressClass::Release;
    }
    return (lParam & 0x40000000u) ? KeyPressClass::Repeat : KeyPressClass::FirstPress;
}

int32_t RunKeyDown(uint32_t lParam, const KeyDownHandlers& handlers) {
    const KeyPressClass pressClass = ClassifyKeyDown(lParam);
    // Left Alt is tested before the class, so a held Alt ends the program even on repeats.
    if (handlers.isLeftAltDown()) {
        handlers.run(KeyCommand::Quit);
        return 1;
    }
    if (pressClass != KeyPressClass::FirstPress) {
        return 0;
    }
    for (const KeyDownStep& step : KeyDownSteps) {
        if (!handlers.isKeyDown(step.virtualKey)) {
            continue;
        }
        handlers.run(step.command);
        if (step.endsTests) {
            return step.command == KeyCommand::ExportTranslationTemplate ? 1 : 0;
        }
    }
    return 0;
}

KeyCommand KeyUpCommand(int virtualKey) {
    switch (virtualKey) {
    case Vk::F2:
        return KeyCommand::StartSpeedTest;
    case Vk::L:
        return KeyCommand::ShowLanguageMenu;
    default:
        return KeyCommand::None;
    }
}
