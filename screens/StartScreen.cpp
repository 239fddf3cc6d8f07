#include "screens/StartScreen.h"

#include <string>

#include "app/AppState.h"
#include "app/Gdi.h"
#include "app/WideText.h"
#include "lang/LanguageArchive.h"
#include "lang/StringLookup.h"
#include "screens/HelpText.h"
#include "screens/StartScreenLayout.h"

namespace {

constexpr COLORREF kShadow = RGB(0, 0, 0);
constexpr COLORREF kText = RGB(255, 255, 255);
constexpr int kTitleEntry = 0;
constexpr int kNoticeEntry = 22;

void DrawTextPass(HDC dc, const wchar_t* text, RECT* rect, UINT format, COLORREF colour) {
    SetTextColor(dc, colour);
    const wchar_t* shown = text ? text : L"";
    DrawTextW(dc, shown, lstrlenW(shown), rect, format);
}

const wchar_t* NeutralText(int entry) {
    const char16_t* text = NeutralStrings[entry];
    return text ? AsWide(text) : L"";
}

HFONT CreateStartScreenFont(int32_t height) {
    LOGFONTW logFont = {};
    logFont.lfHeight = height;
    logFont.lfWeight = FW_BOLD;
    logFont.lfItalic = 1;
    logFont.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(logFont.lfFaceName, L"Arial", LF_FACESIZE);
    return CreateFontIndirectW(&logFont);
}

// The width sets the font, the height sets the room: on wide screens (16:9) the help block
// would run into the notice's line. Then the largest smaller font with which it ends above.
int32_t FittingFontHeight(HDC dc, const StartScreenLayout& layout, const wchar_t* help) {
    // Trailing empty lines draw nothing.
    int length = lstrlenW(help);
    while (length > 0 && (help[length - 1] == L'\r' || help[length - 1] == L'\n')) {
        --length;
    }
    const LayoutRect& area = layout.textRect;
    for (int32_t height = layout.fontHeight; height < 0; ++height) {
        ScopedGdiObject<HFONT> font(CreateStartScreenFont(height));
        if (!font) {
            break;
        }
        ScopedSelect selected(dc, font.Get());
        RECT block{area.left, area.top, area.right, area.top};
        DrawTextW(dc, help, length, &block, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOCLIP);
        TEXTMETRICW metrics{};
        if (!GetTextMetricsW(dc, &metrics)) {
            break;
        }
        // The notice's white pass moves up by the step.
        const int32_t noticeTop = area.bottom - metrics.tmHeight + layout.shadowStep;
        if (block.bottom <= noticeTop) {
            return height;
        }
    }
    return layout.fontHeight;
}

} // namespace

// Fewer calls than rows, so the window is covered quickly and the texts follow at once.
void FillStartScreenGradient(HDC dc, int width, int height) {
    for (int32_t step = 0; step < kGradientSteps; ++step) {
        const GradientBand band = GradientBandOfStep(step, height);
        if (band.top >= band.bottom) {
            continue;
        }
        const RECT rows{0, band.top, width, band.bottom};
        SetBkColor(dc, band.colour);
        ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rows, nullptr, 0, nullptr);
    }
}

void DrawShadowedBlock(HDC dc, const wchar_t* text, RECT* rect, int step, UINT format) {
    if (IsRightToLeftLanguage(CurrentLanguage.load(std::memory_order_relaxed))) {
        format |= DT_RTLREADING | DT_RIGHT;
    }
    DrawTextPass(dc, text, rect, format, kShadow);
    rect->left += step;
    rect->top += step;
    DrawTextPass(dc, text, rect, format, kText);
}

void DrawShadowedLine(HDC dc, const wchar_t* text, RECT* rect, int step, UINT format) {
    DrawTextPass(dc, text, rect, format, kShadow);
    OffsetRect(rect, step, step);
    DrawTextPass(dc, text, rect, format, kText);
}

void DrawStartScreen(HDC dc, const RECT& client) {
    const StartScreenLayout layout =
        ComputeStartScreenLayout(LayoutRect{client.left, client.top, client.right, client.bottom},
                                 CurrentLanguage.load(std::memory_order_relaxed));
    RECT textRect{layout.textRect.left, layout.textRect.top, layout.textRect.right,
                  layout.textRect.bottom};

    FillStartScreenGradient(dc, layout.width, layout.height);

    {
        const wchar_t* help = AsWide(BuildHelpText());
        // When the font cannot be made, the texts use the dc's own font and nothing is deleted.
        ScopedGdiObject<HFONT> font(CreateStartScreenFont(FittingFontHeight(dc, layout, help)));
        ScopedSelect selected(dc, font.Get());
        SetBkMode(dc, TRANSPARENT);

        RECT title = textRect;
        DrawShadowedLine(dc, NeutralText(kTitleEntry), &title, layout.shadowStep,
                         DT_CENTER | DT_SINGLELINE);

        RECT helpRect = textRect;
        DrawShadowedBlock(dc, help, &helpRect, layout.shadowStep,
                          DT_WORDBREAK | DT_EXPANDTABS | DT_NOCLIP);

        const std::wstring notice = std::wstring(NeutralText(kNoticeEntry)) + L" ";
        RECT bottom = textRect;
        const UINT noticeFormat =
            layout.rightToLeft ? DT_SINGLELINE | DT_BOTTOM : DT_SINGLELINE | DT_BOTTOM | DT_RIGHT;
        DrawShadowedLine(dc, notice.c_str(), &bottom, layout.shadowStep, noticeFormat);
    }

    DEVMODEW mode = {};
    mode.dmSize = sizeof(mode);
    mode.dmDriverExtra = 0;
    // On failure the mode stays zeroed and the first line reads 0 x 0.
    EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode);
    char16_t sizeText[kSizeTextCapacity] = {};
    const size_t length =
        FormatLocalSizeText(sizeText, static_cast<int32_t>(mode.dmPelsWidth),
                            static_cast<int32_t>(mode.dmPelsHeight), layout.width, layout.height);
    SetTextColor(dc, kText);
    DrawTextW(dc, AsWide(sizeText), static_cast<int>(length), &textRect, DT_RIGHT);
}

void PaintScreen(HDC dc, HWND window) {
    if (!dc || AppState.screenIndex != -1) {
        return;
    }
    RECT client{};
    GetClientRect(window, &client);
    DrawStartScreen(dc, client);
}
