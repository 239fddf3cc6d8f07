// Times one start-screen paint: through WM_PAINT into a real window, and into a memory DC, at
// 1920 x 1080 and 3840 x 2160. Run it in a display at least 3840 x 2160 large.
// Usage: start_screen_bench [paints per size]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/Gdi.h"
#include "lang/ArchiveLoad.h"
#include "lang/LanguageArchive.h"
#include "screens/StartScreen.h"

namespace {

double NowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Figures {
    double min;
    double median;
    double mean;
};

Figures Summarise(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    double sum = 0;
    for (const double s : samples) {
        sum += s;
    }
    return Figures{samples.front(), samples[samples.size() / 2], sum / samples.size()};
}

void Print(const char* what, int width, int height, const Figures& f) {
    std::printf("%-36s %4d x %4d  min %7.3f ms  median %7.3f ms  mean %7.3f ms\n", what, width,
                height, f.min, f.median, f.mean);
}

LRESULT CALLBACK BenchWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        // As the main window paints its start screen.
        PAINTSTRUCT paint;
        const HDC dc = BeginPaint(window, &paint);
        PaintScreen(dc, window);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_ERASEBKGND:
        return -1;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

// The gradient as one fill per pixel row, for comparison with the per-colour runs.
void FillGradientRowByRow(HDC dc, int width, int height) {
    for (int y = 0; y < height; ++y) {
        const int c = 200 * y / height;
        const RECT row{0, y, width, y + 1};
        SetBkColor(dc, RGB(c, 0, 200 - c));
        ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &row, nullptr, 0, nullptr);
    }
}

void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
}

void BenchWindow(int width, int height, int paints) {
    const HWND window =
        CreateWindowExW(0, L"QuillfernStartScreenBench", L"bench", WS_POPUP, 0, 0, width, height,
                        nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window) {
        std::printf("no window of %d x %d\n", width, height);
        return;
    }
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    Pump();
    RECT client{};
    GetClientRect(window, &client);
    if (client.right != width || client.bottom != height) {
        std::printf("window is %ld x %ld, not %d x %d: the display is too small\n", client.right,
                    client.bottom, width, height);
    }

    std::vector<double> viaPaint;
    for (int i = 0; i < paints; ++i) {
        InvalidateRect(window, nullptr, FALSE);
        const double start = NowMs();
        UpdateWindow(window); // sends WM_PAINT at once
        GdiFlush();
        viaPaint.push_back(NowMs() - start);
        Pump();
    }
    Print("WM_PAINT into the window", client.right, client.bottom, Summarise(viaPaint));

    // The paint cycle's own cost (BeginPaint, EndPaint, showing the window's pixels), with
    // nothing drawn.
    AppState.screenIndex = -2;
    std::vector<double> emptyPaint;
    for (int i = 0; i < paints; ++i) {
        InvalidateRect(window, nullptr, FALSE);
        const double start = NowMs();
        UpdateWindow(window);
        GdiFlush();
        emptyPaint.push_back(NowMs() - start);
        Pump();
    }
    AppState.screenIndex = -1;
    Print("WM_PAINT drawing nothing (index -2)", client.right, client.bottom,
          Summarise(emptyPaint));

    std::vector<double> rows;
    std::vector<double> bands;
    std::vector<double> whole;
    {
        ScopedWindowDC dc(window);
        for (int i = 0; i < paints; ++i) {
            double start = NowMs();
            FillGradientRowByRow(dc.Get(), client.right, client.bottom);
            GdiFlush();
            rows.push_back(NowMs() - start);
            start = NowMs();
            FillStartScreenGradient(dc.Get(), client.right, client.bottom);
            GdiFlush();
            bands.push_back(NowMs() - start);
            start = NowMs();
            DrawStartScreen(dc.Get(), client);
            GdiFlush();
            whole.push_back(NowMs() - start);
        }
    }
    Print("whole screen, window DC", client.right, client.bottom, Summarise(whole));
    Print("gradient alone, one fill per row", client.right, client.bottom, Summarise(rows));
    Print("gradient alone, one fill per run", client.right, client.bottom, Summarise(bands));
    DestroyWindow(window);
    Pump();
}

void BenchMemory(int width, int height, int paints) {
    const ScopedWindowDC screen(nullptr);
    ScopedMemoryDC dc(screen.Get());
    ScopedGdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen.Get(), width, height));
    if (!dc.Get() || !bitmap) {
        std::printf("no memory bitmap of %d x %d\n", width, height);
        return;
    }
    ScopedSelect selected(dc.Get(), bitmap.Get());
    const RECT client{0, 0, width, height};
    std::vector<double> samples;
    for (int i = 0; i < paints; ++i) {
        const double start = NowMs();
        DrawStartScreen(dc.Get(), client);
        GdiFlush();
        samples.push_back(NowMs() - start);
    }
    Print("whole screen, memory DC", width, height, Summarise(samples));
}

std::wstring ModulePath() {
    wchar_t path[MAX_PATH * 4] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    return path;
}

} // namespace

int main(int argc, char** argv) {
    const int paints = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    // The archive travels in this program too: the real title, help text and labels.
    const auto block = ExtractArchiveBlock(ModulePath());
    if (!block || !LoadArchiveFromBlock(block->data(), block->size())) {
        std::printf("the language archive could not be read\n");
        return 1;
    }
    AppState.instance = GetModuleHandleW(nullptr);
    AppState.screenIndex = -1;

    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = BenchWindowProc;
    windowClass.hInstance = AppState.instance;
    windowClass.lpszClassName = L"QuillfernStartScreenBench";
    RegisterClassExW(&windowClass);

    std::printf("display %d x %d, %d paints per size\n", GetSystemMetrics(SM_CXSCREEN),
                GetSystemMetrics(SM_CYSCREEN), paints);
    for (const SIZE size : {SIZE{1920, 1080}, SIZE{3840, 2160}}) {
        BenchWindow(size.cx, size.cy, paints);
        BenchMemory(size.cx, size.cy, paints);
    }
    return 0;
}
