// The tools program.
#include <windows.h>

#include "midi_binding.h"
#include "tb_tools_program.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  BindMidiApiFromEnvironment();
  return RunToolsProgram(SplitParameters(commandLine ? commandLine : ""));
}
