#include "diagnostics/PhysicalScale.h"

namespace {
constexpr double kMmPerInch = 25.4;
} // namespace

PhysicalScale ScaleFromDpi(double dpiX, double dpiY) {
    if (!(dpiX > 0) || !(dpiY > 0)) {
        return {};
    }
    return {kMmPerInch / dpiX, kMmPerInch / dpiY, ScaleSource::RawDpi};
}

PhysicalScale ScaleFromSize(double widthMm, double heightMm, int widthPx, int heightPx) {
    if (!(widthMm > 0) || !(heightMm > 0) || widthPx <= 0 || heightPx <= 0) {
        return {};
    }
    return {widthMm / widthPx, heightMm / heightPx, ScaleSource::DeviceSize};
}
