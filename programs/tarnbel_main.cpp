// The resident server.
#include <windows.h>

#include "midi_api.h"
#include "tarnbel_server.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  BindMidiApiFromEnvironment();
  TTarnbelServer server(instance);
  return server.Run();
}
