#include "app/KeyCommands.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kFirst = 0x00000001;
constexpr uint32_t kRepeat = 0x40000001;
constexpr uint32_t kRelease = 0xC0000001;

struct KeyDownCase {
    const char* name;
    std::set<int> held;
    bool leftAlt;
    uint32_t lParam;
    std::vector<KeyCommand> expected;
    int32_t result;
};

std::string Describe(const std::vector<KeyCommand>& commands) {
    std::string text;
    for (KeyCommand command : commands) {
        text += std::to_string(static_cast<int>(command)) + " ";
    }
    return text;
}

TEST(KeyCommands, ClassifiesByTheTwoTopBits) {
    EXPECT_EQ(ClassifyKeyDown(0x00000001), KeyPressClass::FirstPress);
    EXPECT_EQ(ClassifyKeyDown(0x40000001), KeyPressClass::Repeat);
    EXPECT_EQ(ClassifyKeyDown(0x80000001), KeyPressClass::Release);
    EXPECT_EQ(ClassifyKeyDown(0xC0000001), KeyPressClass::Release);
}

TEST(KeyCommands, KeyDownSequenceTable) {
    using K = KeyCommand;
    const KeyDownCase cases[] = {
        {"nothing held", {}, false, kFirst, {}, 0},
        {"Esc", {Vk::Escape}, false, kFirst, {K::Quit}, 0},
        {"Esc repeat acts once", {Vk::Escape}, false, kRepeat, {}, 0},
        {"release does nothing", {Vk::Escape}, false, kRelease, {}, 0},
        {"Esc and Enter together",
         {Vk::Escape, Vk::Return},
         false,
         kFirst,
         {K::Quit, K::OpenMakerPage},
         0},
        {"Backspace then F1 in order",
         {Vk::Back, Vk::F1},
         false,
         kFirst,
         {K::ScreenIndexBack, K::ShowStartScreen},
         0},
        {"T gives result 1", {Vk::T}, false, kFirst, {K::ExportTranslationTemplate}, 1},
        {"Shift while T is held", {0x10, Vk::T}, false, kFirst, {K::ExportTranslationTemplate}, 1},
        {"X ends the tests before F11", {Vk::X, Vk::F11}, false, kFirst, {K::None}, 0},
        {"F1 ends before T", {Vk::F1, Vk::T}, false, kFirst, {K::ShowStartScreen}, 0},
        {"F11", {Vk::F11}, false, kFirst, {K::ToggleFullScreen}, 0},
        {"F11 ends before D", {Vk::F11, Vk::D}, false, kFirst, {K::ToggleFullScreen}, 0},
        {"D", {Vk::D}, false, kFirst, {K::RemoveProgram}, 0},
        {"D ends before C", {Vk::D, Vk::C}, false, kFirst, {K::RemoveProgram}, 0},
        {"C", {Vk::C}, false, kFirst, {K::OpenTouchCalibration}, 0},
        {"I", {Vk::I}, false, kFirst, {K::ToggleTouchReadout}, 0},
        {"R", {Vk::R}, false, kFirst, {K::WriteTouchReport}, 0},
        {"C ends before I", {Vk::C, Vk::I}, false, kFirst, {K::OpenTouchCalibration}, 0},
        {"F11 keeps its meaning with I held",
         {Vk::I, Vk::F11},
         false,
         kFirst,
         {K::ToggleFullScreen},
         0},
        {"I ends before R", {Vk::I, Vk::R}, false, kFirst, {K::ToggleTouchReadout}, 0},
        {"I repeat acts once", {Vk::I}, false, kRepeat, {}, 0},
        {"G", {Vk::G}, false, kFirst, {K::CoverageGridKey}, 0},
        {"H", {Vk::H}, false, kFirst, {K::GhostWatchKey}, 0},
        {"A", {Vk::A}, false, kFirst, {K::AccuracyCheckKey}, 0},
        {"R ends before G", {Vk::R, Vk::G}, false, kFirst, {K::WriteTouchReport}, 0},
        {"I keeps its meaning with H held",
         {Vk::H, Vk::I},
         false,
         kFirst,
         {K::ToggleTouchReadout},
         0},
        {"G ends before H", {Vk::G, Vk::H}, false, kFirst, {K::CoverageGridKey}, 0},
        {"H ends before A", {Vk::H, Vk::A}, false, kFirst, {K::GhostWatchKey}, 0},
        {"C keeps its meaning with A held",
         {Vk::A, Vk::C},
         false,
         kFirst,
         {K::OpenTouchCalibration},
         0},
        {"Esc does not end: G still runs",
         {Vk::Escape, Vk::G},
         false,
         kFirst,
         {K::Quit, K::CoverageGridKey},
         0},
        {"A repeat acts once", {Vk::A}, false, kRepeat, {}, 0},
        {"Esc does not end: R still runs",
         {Vk::Escape, Vk::R},
         false,
         kFirst,
         {K::Quit, K::WriteTouchReport},
         0},
        {"Esc does not end: C still runs",
         {Vk::Escape, Vk::C},
         false,
         kFirst,
         {K::Quit, K::OpenTouchCalibration},
         0},
        {"Enter does not end: C still runs",
         {Vk::Return, Vk::C},
         false,
         kFirst,
         {K::OpenMakerPage, K::OpenTouchCalibration},
         0},
        {"left Alt quits", {}, true, kFirst, {K::Quit}, 1},
        {"left Alt quits on a repeat", {Vk::F11}, true, kRepeat, {K::Quit}, 1},
        {"left Alt wins over every key", {Vk::T, Vk::D}, true, kFirst, {K::Quit}, 1},
        {"F2 and L are key-up keys", {Vk::F2, Vk::L}, false, kFirst, {}, 0},
    };
    for (const KeyDownCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<KeyCommand> ran;
        std::vector<int> asked;
        const KeyDownHandlers handlers{
            [&] { return c.leftAlt; },
            [&](int vk) {
                asked.push_back(vk);
                return c.held.count(vk) != 0;
            },
            [&](KeyCommand command) { ran.push_back(command); },
        };
        EXPECT_EQ(RunKeyDown(c.lParam, handlers), c.result);
        EXPECT_EQ(ran, c.expected) << "ran: " << Describe(ran);
        if (c.leftAlt || c.lParam != kFirst) {
            EXPECT_TRUE(asked.empty());
        }
    }
}

TEST(KeyCommands, KeysAreAskedInTheirFixedOrder) {
    std::vector<int> asked;
    const KeyDownHandlers handlers{
        [] { return false; },
        [&](int vk) {
            asked.push_back(vk);
            return false;
        },
        [](KeyCommand) {},
    };
    RunKeyDown(kFirst, handlers);
    const std::vector<int> order = {Vk::Escape, Vk::Return, Vk::Back, Vk::F1, Vk::T, Vk::X, Vk::F11,
                                    Vk::D,      Vk::C,      Vk::I,    Vk::R,  Vk::G, Vk::H, Vk::A};
    EXPECT_EQ(asked, order);
}

TEST(KeyCommands, EachCommandRunsBeforeTheNextKeyIsAsked) {
    // Esc's quit must be posted before Enter is tested, as the keys' state is read live.
    std::vector<std::string> events;
    const KeyDownHandlers handlers{
        [] { return false; },
        [&](int vk) {
            events.push_back("ask " + std::to_string(vk));
            return vk == Vk::Escape || vk == Vk::Return;
        },
        [&](KeyCommand command) {
            events.push_back("run " + std::to_string(static_cast<int>(command)));
        },
    };
    RunKeyDown(kFirst, handlers);
    ASSERT_GE(events.size(), 4u);
    EXPECT_EQ(events[0], "ask 27");
    EXPECT_EQ(events[1], "run 0");
    EXPECT_EQ(events[2], "ask 13");
    EXPECT_EQ(events[3], "run 1");
}

TEST(KeyCommands, KeyUpLooksOnlyAtTheReleasedKey) {
    EXPECT_EQ(KeyUpCommand(Vk::F2), KeyCommand::StartSpeedTest);
    EXPECT_EQ(KeyUpCommand(Vk::L), KeyCommand::ShowLanguageMenu);
    for (int vk : {Vk::Escape, Vk::F1, Vk::F11, Vk::T, Vk::D, Vk::G, Vk::H, Vk::A, 0}) {
        EXPECT_EQ(KeyUpCommand(vk), KeyCommand::None) << vk;
    }
}

} // namespace
