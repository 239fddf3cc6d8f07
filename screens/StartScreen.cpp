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
constexpr StringId kScreenLabel = 16;
constexpr StringId kWindowLabel = 17;

void DrawTextPass(HDC dc, const wchar_t* text, RECT* rect, UINT format, COLORREF colour) {
    SetTextColor(dc, colour);
    const wchar_t* shown = text ? text : L"";
    DrawTextW(dc, shown, lstrlenW(shown), rect, format);
}

const wchar_t* NeutralText(int entry) {
    const char16_t* text = NeutralStrings[entry];
    return text ? AsWide(text) : L"";
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
        LOGFONTW logFont = {};
        logFont.lfHeight = layout.fontHeight;
        logFont.lfWeight = FW_BOLD;
        logFont.lfItalic = 1;
        logFont.lfCharSet = DEFAULT_CHARSET;
        lstrcpynW(logFont.lfFaceName, L"Arial", LF_FACESIZE);
        // When the font cannot be made, the texts use the dc's own font and nothing is deleted.
        ScopedGdiObject<HFONT> font(CreateFontIndirectW(&logFont));
        ScopedSelect selected(dc, font.Get());
        SetBkMode(dc, TRANSPARENT);

        RECT title = textRect;
        DrawShadowedLine(dc, NeutralText(kTitleEntry), &title, layout.shadowStep,
                         DT_CENTER | DT_SINGLELINE);

        RECT help = textRect;
        DrawShadowedBlock(dc, AsWide(BuildHelpText()), &help, layout.shadowStep,
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
        FormatSizeText(sizeText, LookupString(kScreenLabel), static_cast<int32_t>(mode.dmPelsWidth),
                       static_cast<int32_t>(mode.dmPelsHeight), LookupString(kWindowLabel),
                       layout.width, layout.height);
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
