#include "KitDateUtil.h"

#include <windows.h>

#include <string>

#include "sys_utils.h"

static bool ReadFourDigitYear() {
  char buf[128] = {0};
  int n = GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, buf, sizeof buf);
  std::string format = n > 0 ? std::string(buf) : std::string();
  return ui::UpperCase(format).find("YYYY") != std::string::npos;
}

static const bool gFourDigitYear = ReadFourDigitYear();

bool FourDigitYear() { return gFourDigitYear; }
