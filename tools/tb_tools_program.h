#pragma once
// The program block of tb_tools: the single-instance rule, the set-up switches of the command line,
// the monitor as main form and the message loop.
#include <string>
#include <vector>

// The parameters of a command line that holds no program name: blanks separate them, double quotes
// group blanks into one and are dropped.
std::vector<std::string> SplitParameters(const std::string& commandLine);

// True for "-INSTALL", "-UNINSTALL" and "-REINSTALL" in any case.
bool IsSetupSwitch(const std::string& parameter);

// Bound of the wait for the window of a start that holds the instance but shows no window yet.
constexpr unsigned long RUNNING_WINDOW_TIMEOUT_MS = 10000;

// Runs the program; the result is the process's exit code.
int RunToolsProgram(const std::vector<std::string>& params);
