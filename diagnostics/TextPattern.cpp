#include "diagnostics/TextPattern.h"

#include <cmath>
#include <cstdio>
#include <vector>

std::u16string FormatPattern(const char16_t* pattern,
                             std::initializer_list<std::u16string> values) {
    std::u16string out;
    if (pattern == nullptr) {
        return out;
    }
    const std::vector<const std::u16string*> at = [&] {
        std::vector<const std::u16string*> list;
        for (const std::u16string& value : values) {
            list.push_back(&value);
        }
        return list;
    }();
    for (const char16_t* p = pattern; *p != 0; ++p) {
        if (*p == u'%' && p[1] == u'%') {
            out += u'%';
            ++p;
            continue;
        }
        if (*p == u'%' && p[1] >= u'1' && p[1] <= u'9') {
            const size_t index = static_cast<size_t>(p[1] - u'1');
            if (index < at.size()) {
                out += *at[index];
                ++p;
                continue;
            }
        }
        out += *p;
    }
    return out;
}

std::u16string FormatFixed(double value, int decimals) {
    if (std::isnan(value)) {
        return u"-";
    }
    if (decimals < 0) {
        decimals = 0;
    }
    if (decimals > 6) {
        decimals = 6;
    }
    const double scale = std::pow(10.0, decimals);
    const double rounded = std::round(value * scale) / scale;
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), "%.*f", decimals, rounded == 0 ? 0.0 : rounded);
    return std::u16string(buffer, buffer + std::char_traits<char>::length(buffer));
}

std::u16string FormatInteger(long long value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}
