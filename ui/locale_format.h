#pragma once
// The program's number format: one decimal separator for every float conversion, general float
// format with a given number of significant digits, and single wide characters through the code page.
#include <string>

namespace ui {

// Starts as the user locale's separator; tests and settings may replace it.
char DecimalSeparator();
void SetDecimalSeparator(char separator);

// Shortest general form with at most `digits` significant digits, using DecimalSeparator().
std::string FloatToStrF(double value, int digits);
// Parses a float written with DecimalSeparator(); false when the text is not a whole number.
bool TryStrToFloat(const std::string& text, double& value);

// A wide character as the code page's bytes ("" for the null character), and back (first character only).
std::string WideCharToString(wchar_t c);
wchar_t StringToWideChar(const std::string& s);

}  // namespace ui
