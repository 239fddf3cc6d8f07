#pragma once
// Small owners for GDI resources: each is released where it was taken, in reverse order.

#include <windows.h>

#include <utility>

// Owns a GDI object (brush, font, bitmap) and deletes it.
template <typename Handle> class ScopedGdiObject {
  public:
    explicit ScopedGdiObject(Handle handle = nullptr) : handle_(handle) {}
    ~ScopedGdiObject() { Reset(); }
    ScopedGdiObject(const ScopedGdiObject&) = delete;
    ScopedGdiObject& operator=(const ScopedGdiObject&) = delete;
    ScopedGdiObject(ScopedGdiObject&& other) noexcept
        : handle_(std::exchange(other.handle_, nullptr)) {}
    ScopedGdiObject& operator=(ScopedGdiObject&& other) noexcept {
        if (this != &other) {
            Reset(std::exchange(other.handle_, nullptr));
        }
        return *this;
    }
    void Reset(Handle handle = nullptr) {
        if (handle_) {
            DeleteObject(handle_);
        }
        handle_ = handle;
    }
    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

  private:
    Handle handle_;
};

// Selects an object into a device context and puts the previous one back.
class ScopedSelect {
  public:
    ScopedSelect(HDC dc, HGDIOBJ object)
        : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
    ~ScopedSelect() {
        if (previous_) {
            SelectObject(dc_, previous_);
        }
    }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A window's device context from GetDC, released again.
class ScopedWindowDC {
  public:
    explicit ScopedWindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~ScopedWindowDC() {
        if (dc_) {
            ReleaseDC(window_, dc_);
        }
    }
    ScopedWindowDC(const ScopedWindowDC&) = delete;
    ScopedWindowDC& operator=(const ScopedWindowDC&) = delete;
    HDC Get() const { return dc_; }

  private:
    HWND window_;
    HDC dc_;
};

// A memory device context from CreateCompatibleDC, deleted again.
class ScopedMemoryDC {
  public:
    explicit ScopedMemoryDC(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
    ~ScopedMemoryDC() {
        if (dc_) {
            DeleteDC(dc_);
        }
    }
    ScopedMemoryDC(const ScopedMemoryDC&) = delete;
    ScopedMemoryDC& operator=(const ScopedMemoryDC&) = delete;
    HDC Get() const { return dc_; }

  private:
    HDC dc_;
};

// BeginPaint/EndPaint pair.
class ScopedPaint {
  public:
    explicit ScopedPaint(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
    ~ScopedPaint() { EndPaint(window_, &paint_); }
    ScopedPaint(const ScopedPaint&) = delete;
    ScopedPaint& operator=(const ScopedPaint&) = delete;
    HDC Get() const { return dc_; }

  private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// Header of a 32-bit top-down DIB: row 0 is the top and each pixel reads 0x00RRGGBB.
inline BITMAPINFO TopDownDibInfo(int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// A 32-bit top-down DIB section; its pixels are handed back through bits.
inline HBITMAP CreateTopDownDib(int width, int height, void** bits) {
    const BITMAPINFO info = TopDownDibInfo(width, height);
    return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}
