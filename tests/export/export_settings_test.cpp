// The export settings as start-up reads them from a damaged or hand-edited profile.
#include "export_settings.h"

#include <gtest/gtest.h>

#include "registry_internal.h"
#include "registry_test_support.h"
#include "tarnbel_func.h"

// Each case: one stored value (type and bytes) and what the program takes from it; a value of the wrong
// type is replaced by the default.
TEST(ExportSettings, DamagedValuesReadAsTheirDefaults) {
  struct Case {
    const char* Name;
    DWORD Type;
    std::string Bytes;
    int32_t Bank;
    std::string Cubase;
    DWORD StoredType;
  };
  const std::string big("\xF4\x01\0\0", 4), minus("\xFF\xFF\xFF\xFF", 4), kept("\x80\0\0\0", 4);
  const std::vector<Case> cases = {
      {"LogicFixedBank", REG_DWORD, big, 0, "", REG_DWORD},
      {"LogicFixedBank", REG_DWORD, minus, 0, "", REG_DWORD},
      {"LogicFixedBank", REG_SZ, std::string("7", 2), 0, "", REG_DWORD},
      {"LogicFixedBank", REG_DWORD, kept, 128, "", REG_DWORD},
      {"CubasePath", REG_DWORD, kept, 0, "", REG_SZ},
      {"CubasePath", REG_BINARY, "C:\\x", 0, "", REG_SZ},
      {"CubasePath", REG_SZ, std::string("C:\\Cubase", 10), 0, "C:\\Cubase", REG_SZ},
  };
  for (const Case& c : cases) {
    testsupport::ResetTarnbelKey();
    testsupport::WriteRaw(TarnbelKeyPath, c.Name, c.Type, c.Bytes.data(), DWORD(c.Bytes.size()));
    TRegKey settings(TarnbelKeyPath, true);
    ReadExportSettings(settings);
    EXPECT_EQ(LogicFixedBank, c.Bank) << c.Name << " " << c.Type;
    EXPECT_EQ(CubasePath, c.Cubase) << c.Name << " " << c.Type;
    EXPECT_EQ(testsupport::ReadRaw(TarnbelKeyPath, c.Name).type, c.StoredType) << c.Name << " " << c.Type;
  }
  testsupport::ResetTarnbelKey();
}
