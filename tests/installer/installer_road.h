#pragma once
// The fixture of the end-to-end tests: the program folder laid out afresh, Winamp installed, the real
// tb_tools.exe started from that folder with a set-up switch and its boxes answered as a user would.
// Every trace of an installation goes before and after each test.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "installer_suite.h"
#include "program_process.h"
#include "standin_support.h"

namespace installertest {

// A box or the folder picker as the set-up run showed it; when (tick counts) it showed and went.
struct TShownBox {
  std::string Caption;
  std::string Text;
  DWORD At = 0;
  DWORD Gone = 0;
};

// Given the box, what the test does meanwhile, then the button to press (0: the test answered it).
using TBoxAnswer = std::function<int(const TShownBox& box, HWND window)>;

const char* const UninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\tarnbel";
const char* const InstallerRefusal =
    "Installer can't work while tarnbel is running. Quit tarnbel and run install program again.";
const char* const PickerCaption = "Select Winamp folder:";
constexpr DWORD kWaitMs = 30000;

class InstallerRoad : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The program folder: where the kit is copied, then installation runs from.
  void UseProgramFolder(const std::string& folder);
  std::string ProgramFile(const std::string& name) const { return Folder + "\\" + name; }

  // Runs a command line of the program folder's tb_tools.exe (as the uninstall entry's) in another
  // folder, answering each box (OK unless answer says otherwise) and cancelling the folder picker, until
  // the program ends; the boxes in order, and the exit code.
  std::vector<TShownBox> RunSetup(const std::string& commandLine, DWORD& exitCode, const TBoxAnswer& answer = {});
  std::vector<TShownBox> RunTools(const std::string& params, DWORD& exitCode, const TBoxAnswer& answer = {}) {
    return RunSetup("\"" + ProgramFile("tb_tools.exe") + "\" " + params, exitCode, answer);
  }
  // Installs and expects the one box that says so.
  void Install();
  // The uninstall entry's command line.
  std::string UninstallString() const;
  // Waits for the removal's batch, which runs after the program, then until no trace is left but the
  // expected ones.
  bool WaitTraces(const std::map<std::string, std::string>& expected, DWORD timeoutMs = 90000);

  // A stored mapping of a generated bank, one route, the server's switches: what the server needs to
  // load a played preset through the stand-in card and the virtual MIDI bus.
  void StoreServerProfile(bool showMonitor);
  // Starts what a link points at, in its working folder, as the shell does, with the virtual MIDI bus.
  bool StartFromLink(e2e::TProgramProcess& program, const std::string& link);
  // Plays the program change into the route's input until the monitor shows the preset.
  bool PlayUntilShown(HWND monitor, const std::string& preset);
  void EndPrograms();

  std::string Folder;
  std::string TrayLog;
  testsupport::TempFolder Scratch;
  e2e::TProgramProcess Setup, Second, Server, Tools;
};

}  // namespace installertest
