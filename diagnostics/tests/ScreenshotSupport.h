#pragma once
// Shared by the programs that draw the README's pictures in the real main window.

#include <windows.h>

#include <cstdio>

namespace screenshot {

inline void Pump(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(1);
    } while (GetTickCount() - start < milliseconds);
}

inline bool SaveClient(HWND window, const wchar_t* path) {
    RECT client{};
    GetClientRect(window, &client);
    const int w = client.right;
    const int h = client.bottom;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h; // bottom-up, as a BMP file stores it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HDC windowDC = GetDC(window);
    const HDC memory = CreateCompatibleDC(windowDC);
    const HGDIOBJ previous = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, w, h, windowDC, 0, 0, SRCCOPY);
    GdiFlush();
    const DWORD size = static_cast<DWORD>(w) * h * 4;
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + size;
    FILE* out = _wfopen(path, L"wb");
    bool ok = out != nullptr;
    if (out) {
        ok = fwrite(&file, sizeof(file), 1, out) == 1 &&
             fwrite(&info.bmiHeader, sizeof(BITMAPINFOHEADER), 1, out) == 1 &&
             fwrite(bits, size, 1, out) == 1;
        fclose(out);
    }
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(window, windowDC);
    DeleteObject(dib);
    return ok;
}

} // namespace screenshot
