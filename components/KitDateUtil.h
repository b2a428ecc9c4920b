#pragma once
// Whether the locale's short date format shows four-digit years; recorded at program start.
bool FourDigitYear();
