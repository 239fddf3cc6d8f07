#pragma once
// Millimetres per pixel of the monitor, and where that figure came from. An unknown scale
// leaves millimetre figures out rather than guessing them.

enum class ScaleSource {
    None,       // nothing reported a physical size
    RawDpi,     // the monitor's raw DPI
    DeviceSize, // the device context's HORZSIZE and VERTSIZE against its pixels
};

struct PhysicalScale {
    double mmPerPxX = 0;
    double mmPerPxY = 0;
    ScaleSource source = ScaleSource::None;

    bool Known() const { return source != ScaleSource::None && mmPerPxX > 0 && mmPerPxY > 0; }
    double ToMmX(double px) const { return px * mmPerPxX; }
    double ToMmY(double px) const { return px * mmPerPxY; }
};

// From dots per inch along each axis; None when either is not positive.
PhysicalScale ScaleFromDpi(double dpiX, double dpiY);
// From a reported size in millimetres and the pixels it spans; None when any is not positive.
PhysicalScale ScaleFromSize(double widthMm, double heightMm, int widthPx, int heightPx);
