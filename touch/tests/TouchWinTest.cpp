// Touch messages from the substitute touch source reach the real main window in this process;
// the window's pixels are read back from the screen.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "tests/support/FakeTouch.h"
#include "tests/support/WinTestSupport.h"
#include "touch/TouchPaint.h"
#include "touch/tests/TouchFrameCheck.h"

namespace {

using touchcheck::Canvas;
using touchcheck::DrawReference;
using wintest::Capture;
using wintest::PumpMessages;

constexpr uint32_t kBlack = 0x000000;
// Not black and no palette colour: shows which pixels a paint left alone.
constexpr COLORREF kMarker = RGB(30, 160, 90);
constexpr uint32_t kMarkerCaptured = 0x1EA05A;

// Window colours are 0x00BBGGRR, read-back pixels 0x00RRGGBB.
uint32_t AsCaptured(uint32_t colour) {
    return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}

std::string Hex(uint32_t value) {
    char text[16];
    snprintf(text, sizeof(text), "%06X", static_cast<unsigned>(value));
    return text;
}

struct Offset {
    int dx;
    int dy;
};

// The circle's box is (x - 60, y - 60, x + 60, y + 60) without its right and bottom edges; the
// 1-pixel black pen takes the box's outermost pixels, so along the axes the colour runs from
// -59 to +58, the outline lies at -60 and +59, and beyond it is the background.
constexpr Offset kInside[] = {{0, 0},    {57, 0},   {-57, 0},  {0, 57},  {0, -57},
                              {58, 0},   {-59, 0},  {0, 58},   {0, -59}, {40, 40},
                              {-40, 40}, {40, -40}, {-40, -40}};
constexpr Offset kOutside[] = {{59, 0}, {-60, 0}, {0, 59},  {0, -60},  {62, 0},   {-62, 0},
                               {0, 62}, {0, -62}, {45, 45}, {-45, 45}, {45, -45}, {-45, -45}};

void ExpectPixel(const Capture& capture, int x, int y, uint32_t expected, const std::string& what) {
    ASSERT_TRUE(x >= 0 && y >= 0 && x < capture.width && y < capture.height) << what;
    EXPECT_EQ(Hex(capture.At(x, y)), Hex(expected)) << what << " at (" << x << ", " << y << ")";
}

// A filled circle of radius 60 in the colour, on black.
void ExpectCircle(const Capture& capture, int x, int y, uint32_t colour) {
    const std::string where = "circle at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
    for (const Offset& o : kInside) {
        ExpectPixel(capture, x + o.dx, y + o.dy, AsCaptured(colour), where + " inside");
    }
    for (const Offset& o : kOutside) {
        ExpectPixel(capture, x + o.dx, y + o.dy, kBlack, where + " outside");
    }
}

void ExpectNoCircle(const Capture& capture, int x, int y) {
    const std::string where = "no circle at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
    for (const Offset& o : kInside) {
        ExpectPixel(capture, x + o.dx, y + o.dy, kBlack, where);
    }
}

// Corners and gaps that no circle of these tests reaches.
void ExpectBlackBackground(const Capture& capture) {
    const int w = capture.width;
    const int h = capture.height;
    const Offset points[] = {{w - 2, 2},      {2, h - 2},      {w - 2, h - 2}, {2, h - 100},
                             {w / 2, h - 10}, {w - 10, h / 2}, {250, 330},     {w - 40, 40}};
    for (const Offset& p : points) {
        ExpectPixel(capture, p.dx, p.dy, kBlack, "background");
    }
}

// Counts the GDI objects this program's own code makes and frees. The product is linked in
// statically, so its calls go through this executable's import table, which is redirected here.
struct GdiCounts {
    int bitmapsCreated = 0;
    int bitmapsDeleted = 0;
    int brushesCreated = 0;
    int brushesDeleted = 0;
    int dcsCreated = 0;
    int dcsDeleted = 0;
    std::vector<SIZE> bitmapSizes;
    std::vector<SIZE> blitSizes;
    // Copies into a window's device context, the ones that reach the screen.
    int windowCopies = 0;
    long long windowPixels = 0;
};

class GdiCalls {
  public:
    using Counts = GdiCounts;

    GdiCalls() {
        Redirect("CreateCompatibleBitmap", reinterpret_cast<void*>(&CountedCreateCompatibleBitmap),
                 &realCreateCompatibleBitmap);
        Redirect("CreateSolidBrush", reinterpret_cast<void*>(&CountedCreateSolidBrush),
                 &realCreateSolidBrush);
        Redirect("CreateCompatibleDC", reinterpret_cast<void*>(&CountedCreateCompatibleDC),
                 &realCreateCompatibleDC);
        Redirect("DeleteObject", reinterpret_cast<void*>(&CountedDeleteObject), &realDeleteObject);
        Redirect("DeleteDC", reinterpret_cast<void*>(&CountedDeleteDC), &realDeleteDC);
        Redirect("BitBlt", reinterpret_cast<void*>(&CountedBitBlt), &realBitBlt);
    }
    ~GdiCalls() {
        counting = false;
        for (const Patched& p : patched) {
            Write(p.slot, p.original);
        }
    }
    GdiCalls(const GdiCalls&) = delete;
    GdiCalls& operator=(const GdiCalls&) = delete;

    bool Installed() const { return redirected == 6; }
    static void Start() {
        counts = {};
        counting = true;
    }
    static const Counts& Stop() {
        counting = false;
        return counts;
    }

  private:
    struct Patched {
        void** slot;
        void* original;
    };

    template <typename Function>
    void Redirect(const char* name, void* replacement, Function* real) {
        auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        const IMAGE_DATA_DIRECTORY& table =
            nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        bool found = false;
        for (auto* d =
                 reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + table.VirtualAddress);
             d->Name; ++d) {
            if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), "gdi32.dll") != 0 ||
                !d->OriginalFirstThunk) {
                continue;
            }
            auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
            auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
            for (; names->u1.AddressOfData; ++names, ++slots) {
                if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
                    continue;
                }
                const auto* byName =
                    reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                if (lstrcmpA(reinterpret_cast<const char*>(byName->Name), name) != 0) {
                    continue;
                }
                auto** slot = reinterpret_cast<void**>(&slots->u1.Function);
                *real = reinterpret_cast<Function>(*slot);
                patched.push_back({slot, *slot});
                Write(slot, replacement);
                found = true;
            }
        }
        redirected += found ? 1 : 0;
    }

    static void Write(void** slot, void* value) {
        DWORD old = 0;
        VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &old);
        *slot = value;
        VirtualProtect(slot, sizeof(void*), old, &old);
    }

    static HBITMAP WINAPI CountedCreateCompatibleBitmap(HDC dc, int width, int height) {
        if (counting) {
            ++counts.bitmapsCreated;
            counts.bitmapSizes.push_back({width, height});
        }
        return realCreateCompatibleBitmap(dc, width, height);
    }
    static HBRUSH WINAPI CountedCreateSolidBrush(COLORREF colour) {
        counts.brushesCreated += counting ? 1 : 0;
        return realCreateSolidBrush(colour);
    }
    static HDC WINAPI CountedCreateCompatibleDC(HDC dc) {
        counts.dcsCreated += counting ? 1 : 0;
        return realCreateCompatibleDC(dc);
    }
    static BOOL WINAPI CountedDeleteObject(HGDIOBJ object) {
        if (counting) {
            const DWORD type = GetObjectType(object);
            counts.bitmapsDeleted += type == OBJ_BITMAP ? 1 : 0;
            counts.brushesDeleted += type == OBJ_BRUSH ? 1 : 0;
        }
        return realDeleteObject(object);
    }
    static BOOL WINAPI CountedBitBlt(HDC target, int x, int y, int width, int height, HDC source,
                                     int sourceX, int sourceY, DWORD rop) {
        if (counting) {
            counts.blitSizes.push_back({width, height});
            if (WindowFromDC(target)) {
                ++counts.windowCopies;
                counts.windowPixels += static_cast<long long>(width) * height;
            }
        }
        return realBitBlt(target, x, y, width, height, source, sourceX, sourceY, rop);
    }
    static BOOL WINAPI CountedDeleteDC(HDC dc) {
        counts.dcsDeleted += counting ? 1 : 0;
        return realDeleteDC(dc);
    }

    static inline HBITMAP(WINAPI* realCreateCompatibleBitmap)(HDC, int, int) = nullptr;
    static inline HBRUSH(WINAPI* realCreateSolidBrush)(COLORREF) = nullptr;
    static inline HDC(WINAPI* realCreateCompatibleDC)(HDC) = nullptr;
    static inline BOOL(WINAPI* realDeleteObject)(HGDIOBJ) = nullptr;
    static inline BOOL(WINAPI* realDeleteDC)(HDC) = nullptr;
    static inline BOOL(WINAPI* realBitBlt)(HDC, int, int, int, int, HDC, int, int, DWORD) = nullptr;
    static inline bool counting = false;
    static inline Counts counts;

    std::vector<Patched> patched;
    int redirected = 0;
};

struct Circle {
    int x;
    int y;
    uint32_t colour;
};

class TouchWindowTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        AppState.instance = GetModuleHandleW(nullptr);
        RegisterMainWindowClass();
        window = CreateMainWindow();
        ASSERT_NE(window, nullptr);
        ShowWindow(window, SW_SHOW);
        UpdateWindow(window);
        PumpMessages(200);
    }

    void SetUp() override {
        ASSERT_NE(window, nullptr);
        SetForegroundWindow(window);
        SetFocus(window);
        LiftAll();
        AppState.speedTestRunning = 0;
        faketouch::Reset();
        PumpMessages(20);
        RECT client{};
        GetClientRect(window, &client);
        // The circles of these tests are laid out for a full-screen window of 1280 x 720 or more.
        ASSERT_GE(client.right, 1200);
        ASSERT_GE(client.bottom, 700);
    }

    void TearDown() override {
        AppState.speedTestRunning = 0;
        LiftAll();
    }

    // Lifts every tracked finger through the window, as the system would.
    static void LiftAll() {
        std::vector<TOUCHINPUT> ups;
        for (const TouchContact& c : AppState.touchContacts) {
            if (c.id != kFreeContactId) {
                ups.push_back(faketouch::Up(c.id, 0, 0));
            }
        }
        if (!ups.empty()) {
            faketouch::SendTouch(window, ups);
        }
        UpdateWindow(window);
    }

    static POINT ToScreen(int clientX, int clientY) {
        POINT point{clientX, clientY};
        ClientToScreen(window, &point);
        return point;
    }

    static TOUCHINPUT Down(DWORD id, int clientX, int clientY) {
        const POINT p = ToScreen(clientX, clientY);
        return faketouch::Down(id, p.x, p.y);
    }

    static TOUCHINPUT Move(DWORD id, int clientX, int clientY) {
        const POINT p = ToScreen(clientX, clientY);
        return faketouch::Move(id, p.x, p.y);
    }

    static TOUCHINPUT Up(DWORD id, int clientX, int clientY) {
        const POINT p = ToScreen(clientX, clientY);
        return faketouch::Up(id, p.x, p.y);
    }

    static LRESULT Touch(const std::vector<TOUCHINPUT>& inputs) {
        return faketouch::SendTouch(window, inputs);
    }

    static bool UpdatePending() {
        RECT update{};
        return GetUpdateRect(window, &update, FALSE) != 0;
    }

    // Runs the pending paint and reads the window back.
    static Capture Paint() {
        UpdateWindow(window);
        GdiFlush();
        return wintest::CaptureClient(window);
    }

    // Draws straight into the window, without asking for a paint.
    static void Scribble() {
        const HDC dc = GetDC(window);
        RECT client{};
        GetClientRect(window, &client);
        const HBRUSH brush = CreateSolidBrush(kMarker);
        FillRect(dc, &client, brush);
        DeleteObject(brush);
        ReleaseDC(window, dc);
        GdiFlush();
    }

    static HWND window;
};

HWND TouchWindowTest::window = nullptr;

// Ten circles laid out so that none overlaps another.
Circle GridCircle(int slot) {
    return {130 + (slot % 5) * 240, 180 + (slot / 5) * 300, ContactPalette[slot]};
}

TEST_F(TouchWindowTest, PictureAfterTheseMessages) {
    const uint32_t* p = ContactPalette.data();
    struct Case {
        const char* name;
        std::vector<std::vector<TOUCHINPUT>> messages;
        std::vector<Circle> circles;
        std::vector<Offset> empty; // places where no circle may show
    };
    std::vector<TOUCHINPUT> tenDown;
    std::vector<Circle> tenCircles;
    for (int slot = 0; slot < kContactSlots; ++slot) {
        const Circle c = GridCircle(slot);
        tenDown.push_back(Down(100 + slot, c.x, c.y));
        tenCircles.push_back(c);
    }
    // Slot 0 lifts: every other contact moves down a slot and keeps its colour.
    std::vector<Circle> ninthAfterLift(tenCircles.begin() + 1, tenCircles.end());
    // The eleventh contact is drawn with its next input once a slot is free, in slot 9's colour.
    std::vector<Circle> eleventhShown = ninthAfterLift;
    eleventhShown.push_back({130, 180, p[9]});

    const Case cases[] = {
        {"one finger", {{Down(7, 400, 300)}}, {{400, 300, p[0]}}, {}},
        {"ten fingers, ten palette colours", {tenDown}, tenCircles, {}},
        {"ten fingers one message each",
         [&] {
             std::vector<std::vector<TOUCHINPUT>> messages;
             for (const TOUCHINPUT& t : tenDown) {
                 messages.push_back({t});
             }
             return messages;
         }(),
         tenCircles,
         {}},
        {"a move redraws the contact at its new place",
         {{Down(7, 400, 300)}, {Move(7, 700, 450)}},
         {{700, 450, p[0]}},
         {{400, 300}}},
        {"a second finger and a move of the first keep the slots",
         {{Down(7, 400, 300), Down(8, 800, 300)}, {Move(7, 400, 500)}},
         {{400, 500, p[0]}, {800, 300, p[1]}},
         {{400, 300}}},
        {"id 0 is not drawn",
         {{Down(0, 400, 300), Down(9, 800, 300)}},
         {{800, 300, p[0]}},
         {{400, 300}}},
        {"an up for an unknown id changes nothing",
         {{Down(7, 400, 300)}, {Up(55, 400, 300)}},
         {{400, 300, p[0]}},
         {}},
        {"lifting slot 0 shifts the others with their colours",
         {tenDown, {Up(100, 130, 180)}},
         ninthAfterLift,
         {{130, 180}}},
        {"an eleventh finger shows once a slot frees and it moves",
         {tenDown, {Down(111, 130, 180)}, {Up(100, 130, 180)}, {Move(111, 130, 180)}},
         eleventhShown,
         {}},
        {"an eleventh finger is not drawn while the table is full",
         {tenDown, {Down(111, 1000, 650)}},
         tenCircles,
         {{1000, 650}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LiftAll();
        for (const std::vector<TOUCHINPUT>& message : c.messages) {
            EXPECT_EQ(Touch(message), 1);
            Paint();
        }
        const Capture capture = Paint();
        for (const Circle& circle : c.circles) {
            ExpectCircle(capture, circle.x, circle.y, circle.colour);
        }
        for (const Offset& o : c.empty) {
            ExpectNoCircle(capture, o.dx, o.dy);
        }
        ExpectBlackBackground(capture);
    }
}

TEST_F(TouchWindowTest, HigherSlotsAreDrawnOverLowerOnesWithTheirOutline) {
    const uint32_t* p = ContactPalette.data();
    // Slots 0, 1 and 2 in a row, 40 pixels apart.
    ASSERT_EQ(Touch({Down(1, 300, 300), Down(2, 340, 300), Down(3, 380, 300)}), 1);
    Capture capture = Paint();
    ExpectPixel(capture, 250, 300, AsCaptured(p[0]), "slot 0 alone");
    ExpectPixel(capture, 310, 300, AsCaptured(p[1]), "slot 1 over slot 0");
    ExpectPixel(capture, 350, 300, AsCaptured(p[2]), "slot 2 over slots 0 and 1");
    ExpectPixel(capture, 380, 250, AsCaptured(p[2]), "slot 2 over slot 1");
    // Slot 1's left edge crosses slot 0's disc: its black outline shows there.
    int black = 0;
    for (int x = 277; x <= 283; ++x) {
        black += capture.At(x, 300) == kBlack ? 1 : 0;
    }
    EXPECT_GE(black, 1) << "no outline of slot 1 inside slot 0";
    EXPECT_LE(black, 3) << "outline wider than a pen of one pixel";

    // Slot 0 lifts: the others move down and keep their colours, still drawn in slot order.
    ASSERT_EQ(Touch({Up(1, 300, 300)}), 1);
    capture = Paint();
    ExpectPixel(capture, 250, 300, kBlack, "lifted contact");
    ExpectPixel(capture, 310, 300, AsCaptured(p[1]), "former slot 1 alone");
    ExpectPixel(capture, 350, 300, AsCaptured(p[2]), "former slot 2 over former slot 1");
    EXPECT_EQ(AppState.touchContacts[0].id, 2u);
    EXPECT_EQ(AppState.touchContacts[1].id, 3u);
}

TEST_F(TouchWindowTest, ContactsOnTheFirstRowOrColumnAreTrackedButNotDrawn) {
    struct Case {
        int x;
        int y;
        bool drawn;
    };
    const Case cases[] = {
        {0, 300, false}, {300, 0, false}, {0, 0, false},
        {1, 300, true},  {300, 1, true},  {1, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("contact at (" + std::to_string(c.x) + ", " + std::to_string(c.y) + ")");
        LiftAll();
        // A second contact keeps the touch picture on even where the first one is not drawn.
        ASSERT_EQ(Touch({Down(21, c.x, c.y), Down(22, 800, 400)}), 1);
        const Capture capture = Paint();
        EXPECT_EQ(AppState.touchContacts[0].id, 21u);
        EXPECT_EQ(AppState.touchContacts[0].x, c.x);
        EXPECT_EQ(AppState.touchContacts[0].y, c.y);
        ExpectPixel(capture, c.x + 30, c.y + 30, c.drawn ? AsCaptured(ContactPalette[0]) : kBlack,
                    "inside the contact's circle");
        ExpectCircle(capture, 800, 400, ContactPalette[1]);
        ExpectBlackBackground(capture);
    }
}

TEST_F(TouchWindowTest, PositionsAreHundredthsOfAScreenPixelTruncatedTowardZero) {
    const POINT origin = ToScreen(0, 0);
    struct Case {
        LONG hundredthsX;
        LONG hundredthsY;
        LONG screenX; // after the division
        LONG screenY;
    };
    const LONG ox = origin.x;
    const LONG oy = origin.y;
    const Case cases[] = {
        {(ox + 400) * 100 + 99, (oy + 300) * 100 + 50, ox + 400, oy + 300},
        {(ox + 400) * 100 + 1, (oy + 300) * 100, ox + 400, oy + 300},
        // Left of and above the screen (the full-screen window starts there): toward zero, not
        // down.
        {-150, -199, -1, -1},
        {-99, -1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.hundredthsX) + ", " + std::to_string(c.hundredthsY));
        LiftAll();
        TOUCHINPUT input = faketouch::Down(31, 0, 0);
        input.x = c.hundredthsX;
        input.y = c.hundredthsY;
        ASSERT_EQ(Touch({input}), 1);
        EXPECT_EQ(AppState.touchContacts[0].id, 31u);
        EXPECT_EQ(AppState.touchContacts[0].x, c.screenX - ox);
        EXPECT_EQ(AppState.touchContacts[0].y, c.screenY - oy);
    }
}

// The touch picture is black with circles. After the last lift a paint must not bring it back:
// the pixels under the former contact lose its colour, and most of the window is not black. The
// marker drawn beforehand stands for whatever the other paint branch leaves or draws (the start
// screen's gradient is never black nor a pure palette colour), so the check holds either way.
TEST_F(TouchWindowTest, AfterTheLastLiftThePaintLeavesTheTouchPicture) {
    struct Case {
        const char* name;
        int speedTest;
    };
    const Case cases[] = {{"start screen branch", 0}, {"drawing-speed test running", 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LiftAll();
        AppState.speedTestRunning = c.speedTest;
        // While a finger is down the touch picture wins, also over the drawing-speed test.
        ASSERT_EQ(Touch({Down(41, 400, 300), Down(42, 800, 300)}), 1);
        Capture capture = Paint();
        ExpectCircle(capture, 400, 300, ContactPalette[0]);
        ExpectCircle(capture, 800, 300, ContactPalette[1]);
        ExpectBlackBackground(capture);

        ASSERT_EQ(Touch({Up(41, 400, 300)}), 1);
        capture = Paint();
        // The remaining contact moved to slot 0 with its colour.
        ExpectCircle(capture, 800, 300, ContactPalette[1]);
        ExpectNoCircle(capture, 400, 300);

        Scribble();
        ASSERT_EQ(Touch({Up(42, 800, 300)}), 1);
        EXPECT_FALSE(AnyContactActive(AppState.touchContacts));
        EXPECT_TRUE(UpdatePending()) << "the last lift did not ask for a repaint";
        capture = Paint();
        EXPECT_FALSE(UpdatePending());
        for (const Offset& o : kInside) {
            EXPECT_NE(capture.At(800 + o.dx, 300 + o.dy), AsCaptured(ContactPalette[1]));
        }
        int black = 0;
        int samples = 0;
        for (int y = 20; y < capture.height; y += capture.height / 6) {
            for (int x = 20; x < capture.width; x += capture.width / 8) {
                ++samples;
                black += capture.At(x, y) == kBlack ? 1 : 0;
            }
        }
        EXPECT_LT(black * 4, samples) << black << " of " << samples << " samples are black";
        if (c.speedTest) {
            // The worker owns the window's pixels: the paint draws nothing at all.
            ExpectPixel(capture, 800, 300, kMarkerCaptured, "left alone");
            ExpectPixel(capture, 5, 5, kMarkerCaptured, "left alone");
        }
    }
}

TEST_F(TouchWindowTest, UnreadableInputsStillRepaintFromTheUnchangedTable) {
    struct Case {
        const char* name;
        bool failRead;
        std::vector<TOUCHINPUT> inputs;
    };
    const Case cases[] = {
        {"reading the inputs fails", true, {Move(51, 600, 500), Up(52, 800, 300)}},
        {"a message without inputs", false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LiftAll();
        faketouch::Reset();
        ASSERT_EQ(Touch({Down(51, 400, 300), Down(52, 800, 300)}), 1);
        Paint();
        const ContactTable before = AppState.touchContacts;
        Scribble();
        if (c.failRead) {
            faketouch::FailNextRead();
        }
        EXPECT_EQ(Touch(c.inputs), 1);
        for (int i = 0; i < kContactSlots; ++i) {
            EXPECT_EQ(AppState.touchContacts[i].id, before[i].id) << "slot " << i;
            EXPECT_EQ(AppState.touchContacts[i].x, before[i].x) << "slot " << i;
            EXPECT_EQ(AppState.touchContacts[i].y, before[i].y) << "slot " << i;
            EXPECT_EQ(AppState.touchContacts[i].colour, before[i].colour) << "slot " << i;
        }
        EXPECT_TRUE(UpdatePending()) << "no repaint asked for";
        const Capture capture = Paint();
        ExpectCircle(capture, 400, 300, ContactPalette[0]);
        ExpectCircle(capture, 800, 300, ContactPalette[1]);
        ExpectNoCircle(capture, 600, 500);
        ExpectBlackBackground(capture);
        EXPECT_EQ(faketouch::Calls().readCalls, 2);
        // Every handle the window got was closed, once, the unreadable one too.
        EXPECT_EQ(faketouch::Calls().closedHandles, faketouch::Calls().sentHandles);
    }
}

TEST_F(TouchWindowTest, EveryInputHandleIsClosedOnceAfterReading) {
    const std::vector<std::vector<TOUCHINPUT>> messages = {
        {Down(61, 300, 300)}, {Move(61, 310, 300), Down(62, 500, 300)},
        {Down(0, 400, 400)},  {Up(61, 310, 300), Up(62, 500, 300)},
        {Up(99, 1, 1)},
    };
    for (const std::vector<TOUCHINPUT>& message : messages) {
        EXPECT_EQ(Touch(message), 1);
    }
    EXPECT_EQ(faketouch::Calls().readCalls, 5);
    EXPECT_EQ(faketouch::Calls().closeCalls, 5);
    EXPECT_EQ(faketouch::Calls().closedHandles, faketouch::Calls().sentHandles);
}

int FullFrameCopies(const GdiCounts& counts, const RECT& client) {
    int copies = 0;
    for (const SIZE& size : counts.blitSizes) {
        copies += size.cx == client.right && size.cy == client.bottom ? 1 : 0;
    }
    return copies;
}

TEST_F(TouchWindowTest, CompositionBitmapIsKeptWhileTheSizeStaysAndReplacedWhenItChanges) {
    GdiCalls calls;
    ASSERT_TRUE(calls.Installed());
    // This contact's colour has been painted before the counting starts, so whatever is made
    // once per colour already exists.
    ASSERT_EQ(Touch({Down(71, 400, 300)}), 1);
    Paint();

    RECT client{};
    GetClientRect(window, &client);
    constexpr int kMessages = 200;
    GdiCalls::Counts same;
    for (int i = 0; i < kMessages; ++i) {
        GdiCalls::Start();
        EXPECT_EQ(Touch({Move(71, 401 + i, 300)}), 1);
        UpdateWindow(window);
        const GdiCalls::Counts one = GdiCalls::Stop();
        // Every message was painted, and reached the window as the union of the circle's box
        // before and after the move, one pixel apart: 121 x 120 pixels, no full frame.
        EXPECT_EQ(one.windowPixels, 121 * 120) << "message " << i;
        EXPECT_GE(one.windowCopies, 1) << "message " << i;
        EXPECT_EQ(FullFrameCopies(one, client), 0) << "message " << i;
        same.brushesCreated += one.brushesCreated;
        same.brushesDeleted += one.brushesDeleted;
        same.bitmapsCreated += one.bitmapsCreated;
        same.bitmapsDeleted += one.bitmapsDeleted;
        same.dcsCreated += one.dcsCreated;
    }
    EXPECT_EQ(same.brushesDeleted, same.brushesCreated);
    EXPECT_EQ(same.bitmapsCreated, 0);
    EXPECT_EQ(same.bitmapsDeleted, 0);
    EXPECT_EQ(same.dcsCreated, 0);
    Capture capture = Paint();
    ExpectCircle(capture, 400 + kMessages, 300, ContactPalette[0]);
    ExpectBlackBackground(capture);

    const int bx = GetSystemMetrics(SM_CXBORDER);
    const int by = GetSystemMetrics(SM_CYBORDER);
    const int cx = GetSystemMetrics(SM_CXSCREEN);
    const int cy = GetSystemMetrics(SM_CYSCREEN);
    const auto pressF11 = [] {
        wintest::SendKey(VK_F11, true);
        PumpMessages(100);
        wintest::SendKey(VK_F11, false);
        PumpMessages(100);
    };
    struct Case {
        const char* name;
        std::function<void()> resize;
    };
    const Case cases[] = {
        {"F11 to the normal frame", pressF11},
        {"F11 back to full screen", pressF11},
        {"SetWindowPos to 1000 x 500",
         [] {
             SetWindowPos(window, nullptr, 0, 0, 1000, 500, SWP_NOZORDER);
             PumpMessages(50);
         }},
        {"SetWindowPos back to full screen",
         [&] {
             SetWindowPos(window, nullptr, -bx, -by, cx + 2 * bx, cy + 2 * by, SWP_NOZORDER);
             PumpMessages(50);
         }},
    };
    SIZE previous{client.right, client.bottom};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GdiCalls::Start();
        c.resize();
        GetClientRect(window, &client);
        const SIZE now{client.right, client.bottom};
        ASSERT_TRUE(now.cx != previous.cx || now.cy != previous.cy) << "the size did not change";
        EXPECT_EQ(Touch({Move(71, 300, 250)}), 1);
        // Whatever the window showed must not survive the paint, also where it just grew.
        Scribble();
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
        // The read-back makes GDI objects of its own: stop counting first.
        const GdiCalls::Counts changed = GdiCalls::Stop();
        capture = Paint();
        ASSERT_GE(changed.bitmapsCreated, 1);
        EXPECT_EQ(changed.bitmapsDeleted, changed.bitmapsCreated) << "a replaced bitmap was kept";
        EXPECT_EQ(changed.brushesDeleted, changed.brushesCreated);
        EXPECT_GE(FullFrameCopies(changed, client), 1);
        EXPECT_EQ(changed.dcsCreated, 0);
        SIZE before = previous;
        for (const SIZE& made : changed.bitmapSizes) {
            EXPECT_TRUE(made.cx != before.cx || made.cy != before.cy)
                << "a new bitmap of the size already held: " << made.cx << " x " << made.cy;
            before = made;
        }
        EXPECT_EQ(changed.bitmapSizes.back().cx, now.cx);
        EXPECT_EQ(changed.bitmapSizes.back().cy, now.cy);
        ASSERT_EQ(capture.width, now.cx);
        ExpectCircle(capture, 300, 250, ContactPalette[0]);
        ExpectPixel(capture, now.cx - 1, now.cy - 1, kBlack, "bottom right corner");
        ExpectPixel(capture, now.cx - 1, 0, kBlack, "top right corner");
        ExpectPixel(capture, 0, now.cy - 1, kBlack, "bottom left corner");
        previous = now;
    }
}

// The window after each step of a touch session equals a full repaint of the table, pixel for
// pixel, while each touch message copies only the boxes of the circles it changed.
TEST_F(TouchWindowTest, EveryMessageLeavesTheFullPictureAndCopiesOnlyWhatChanged) {
    GdiCalls calls;
    ASSERT_TRUE(calls.Installed());
    constexpr long long kBox = 120 * 120;
    constexpr long long kFull = -1; // the whole client area, in one copy
    const int bx = GetSystemMetrics(SM_CXBORDER);
    const int by = GetSystemMetrics(SM_CYBORDER);
    const int cx = GetSystemMetrics(SM_CXSCREEN);
    const int cy = GetSystemMetrics(SM_CYSCREEN);
    // A window opened over part of this one and closed again.
    const auto cover = [] {
        const HWND over =
            CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE | SS_WHITERECT,
                            500, 200, 300, 200, nullptr, nullptr, nullptr, nullptr);
        PumpMessages(50);
        DestroyWindow(over);
        PumpMessages(50);
    };
    // What the system does for an uncovered part whose pixels are gone.
    const auto lose = [] {
        const RECT lost{900, 400, 1100, 520};
        const HDC dc = GetDC(window);
        const HBRUSH brush = CreateSolidBrush(kMarker);
        FillRect(dc, &lost, brush);
        DeleteObject(brush);
        ReleaseDC(window, dc);
        InvalidateRect(window, &lost, FALSE);
    };
    struct Step {
        const char* name;
        std::function<void()> act;
        long long mostCopied; // pixels copied to the window at most, or kFull
    };
    const auto touch = [](std::vector<TOUCHINPUT> inputs) {
        return [inputs] { EXPECT_EQ(Touch(inputs), 1); };
    };
    const Step steps[] = {
        {"first finger after the start screen", touch({Down(1, 300, 300)}), kFull},
        {"a second finger apart", touch({Down(2, 700, 300)}), kBox},
        {"a move of a few pixels", touch({Move(1, 303, 298)}), 2 * kBox},
        {"a move far away", touch({Move(1, 300, 560)}), 2 * kBox},
        {"a third finger over the second", touch({Down(3, 760, 330)}), kBox},
        {"the second moves under the third", touch({Move(2, 740, 320)}), 2 * kBox},
        {"the third moves off the second", touch({Move(3, 1000, 330)}), 2 * kBox},
        {"two move in one message", touch({Move(1, 305, 565), Move(2, 745, 318)}), 4 * kBox},
        {"a contact at x = 0", touch({Down(4, 0, 200)}), 0},
        {"the contact at x = 0 moves in", touch({Move(4, 200, 200)}), kBox},
        {"the first finger lifts: the others shift down a slot", touch({Up(1, 305, 565)}), kBox},
        {"fingers up to ten",
         touch({Down(5, 100, 600), Down(6, 250, 600), Down(7, 400, 620), Down(8, 550, 600),
                Down(9, 1150, 150), Down(10, 1150, 600), Down(11, 900, 100)}),
         7 * kBox},
        {"an eleventh finger", touch({Down(12, 620, 420)}), 0},
        {"ten move together",
         touch({Move(2, 747, 320), Move(3, 1003, 333), Move(4, 202, 198), Move(5, 101, 603),
                Move(6, 254, 600), Move(7, 400, 616), Move(8, 552, 602), Move(9, 1148, 150),
                Move(10, 1153, 604), Move(11, 902, 103)}),
         20 * kBox},
        {"one lifts, the eleventh moves in", touch({Up(7, 400, 616), Move(12, 620, 420)}),
         2 * kBox},
        {"a window opened over it and closed", cover, 300 * 200},
        {"an uncovered part lost and a move",
         [&] {
             lose();
             EXPECT_EQ(Touch({Move(12, 624, 420)}), 1);
         },
         2 * kBox + 200 * 120},
        {"resized",
         [] {
             SetWindowPos(window, nullptr, 0, 0, 1000, 500, SWP_NOZORDER);
             PumpMessages(50);
         },
         kFull},
        {"a move after the resize", touch({Move(12, 630, 410)}), 2 * kBox},
        {"full screen again",
         [&] {
             SetWindowPos(window, nullptr, -bx, -by, cx + 2 * bx, cy + 2 * by, SWP_NOZORDER);
             PumpMessages(50);
         },
         kFull},
        {"drawing-speed test running",
         [] {
             AppState.speedTestRunning = 1;
             EXPECT_EQ(Touch({Move(12, 640, 410)}), 1);
         },
         kFull},
        {"every finger lifts",
         touch({Up(2, 0, 0), Up(3, 0, 0), Up(4, 0, 0), Up(5, 0, 0), Up(6, 0, 0), Up(8, 0, 0),
                Up(9, 0, 0), Up(10, 0, 0), Up(11, 0, 0), Up(12, 0, 0)}),
         0},
    };
    LiftAll();
    Paint();
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        GdiCalls::Start();
        step.act();
        UpdateWindow(window);
        const GdiCalls::Counts counts = GdiCalls::Stop();
        AppState.speedTestRunning = 0;
        RECT client{};
        GetClientRect(window, &client);
        if (step.mostCopied == kFull) {
            EXPECT_GE(FullFrameCopies(counts, client), 1);
        } else {
            EXPECT_LE(counts.windowPixels, step.mostCopied);
            EXPECT_EQ(FullFrameCopies(counts, client), 0);
        }
        if (!AnyContactActive(AppState.touchContacts)) {
            continue; // the start screen's paint
        }
        const Capture capture = Paint();
        ASSERT_EQ(capture.width, client.right);
        Canvas reference(capture.width, capture.height);
        ASSERT_TRUE(reference.Ok());
        DrawReference(reference.Dc(), capture.width, capture.height, AppState.touchContacts);
        GdiFlush();
        const touchcheck::Difference d = touchcheck::Compare(
            capture.width, capture.height, [&](int x, int y) { return capture.At(x, y); },
            [&](int x, int y) { return reference.At(x, y); });
        EXPECT_EQ(d.pixels, 0) << "first at " << d.first;
    }
}

// Frames composed for the window equal plain Ellipse drawing everywhere: circles apart, touching,
// overlapping by a pixel or heavily, cut by the edges, the same colour twice.
TEST_F(TouchWindowTest, ComposedFramesEqualPlainEllipseDrawing) {
    constexpr int kWidth = 640;
    constexpr int kHeight = 400;
    struct Scene {
        std::string name;
        std::vector<TouchContact> contacts; // slots 0, 1, ... in order
    };
    const uint32_t* p = ContactPalette.data();
    std::vector<Scene> scenes = {
        {"apart", {{p[0], 1, 100, 100}, {p[1], 2, 300, 100}, {p[2], 3, 500, 300}}},
        {"boxes touching side by side", {{p[0], 1, 100, 100}, {p[1], 2, 220, 100}}},
        {"boxes overlapping by one column", {{p[0], 1, 100, 100}, {p[1], 2, 219, 100}}},
        {"boxes one column apart", {{p[0], 1, 100, 100}, {p[1], 2, 221, 100}}},
        {"boxes overlapping by one row", {{p[0], 1, 100, 100}, {p[1], 2, 100, 219}}},
        {"boxes overlapping by two columns, rows apart",
         {{p[0], 1, 100, 100}, {p[1], 2, 218, 130}}},
        {"boxes overlapping by two rows, columns apart",
         {{p[0], 1, 100, 100}, {p[1], 2, 130, 218}}},
        {"boxes overlapping at a corner", {{p[0], 1, 100, 100}, {p[1], 2, 219, 219}}},
        {"corners overlap, discs do not", {{p[0], 1, 100, 100}, {p[1], 2, 195, 195}}},
        {"heavy overlap",
         {{p[0], 1, 300, 200}, {p[1], 2, 310, 205}, {p[2], 3, 290, 190}, {p[3], 4, 300, 230}}},
        {"only a later slot overlaps an earlier one",
         {{p[0], 1, 100, 100}, {p[1], 2, 400, 100}, {p[2], 3, 150, 120}}},
        {"the same colour twice", {{p[1], 1, 200, 200}, {p[1], 2, 250, 200}}},
        {"edges",
         {{p[0], 1, 1, 1},
          {p[1], 2, kWidth - 1, 200},
          {p[2], 3, 300, kHeight - 1},
          {p[3], 4, kWidth + 30, kHeight + 30},
          {p[4], 5, 0, 200},
          {p[5], 6, 200, 0},
          {p[6], 7, 30, 150}}},
    };
    // Ten contacts at spread and clustered pseudo-random places, in palette and shifted colours.
    uint32_t seed = 12345;
    const auto next = [&seed](int range) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 8) % static_cast<uint32_t>(range));
    };
    for (int n = 0; n < 12; ++n) {
        Scene scene{"random " + std::to_string(n), {}};
        const int spread = n % 2 ? 200 : kWidth;
        for (int slot = 0; slot < kContactSlots; ++slot) {
            scene.contacts.push_back({p[next(kContactSlots)], static_cast<uint32_t>(slot + 1),
                                      next(spread) - 20, next(spread * kHeight / kWidth) - 20});
        }
        scenes.push_back(scene);
    }
    Canvas composed(kWidth, kHeight);
    Canvas reference(kWidth, kHeight);
    ASSERT_TRUE(composed.Ok() && reference.Ok());
    for (const Scene& scene : scenes) {
        SCOPED_TRACE(scene.name);
        ContactTable table;
        ResetContacts(table);
        for (size_t i = 0; i < scene.contacts.size(); ++i) {
            table[i] = scene.contacts[i];
        }
        ComposeContactFrame(composed.Dc(), kWidth, kHeight, table);
        DrawReference(reference.Dc(), kWidth, kHeight, table);
        GdiFlush();
        const touchcheck::Difference d = touchcheck::Compare(
            kWidth, kHeight, [&](int x, int y) { return composed.At(x, y); },
            [&](int x, int y) { return reference.At(x, y); });
        EXPECT_EQ(d.pixels, 0) << "first at " << d.first;
    }
}

} // namespace
