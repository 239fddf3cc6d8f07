#pragma once
// Texts with numbered places for values: "%1" to "%9" take the values in order, "%%" is one
// percent sign. Translations may reorder, repeat or leave out places; a place without a value
// and any other "%" stand as they are, so a faulty translation can't read past the values.

#include <initializer_list>
#include <string>

std::u16string FormatPattern(const char16_t* pattern, std::initializer_list<std::u16string> values);

// A number with a fixed count of decimals, rounded half away from zero; "-" for NaN.
std::u16string FormatFixed(double value, int decimals);
std::u16string FormatInteger(long long value);
