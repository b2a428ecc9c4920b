#pragma once
// The server's message boxes: captioned "tarnbel", shown through the program's one replaceable
// message box (tests script it), and of the error boxes only one per error episode.
#include <windows.h>

#include <string>

constexpr const char* SERVER_BOX_CAPTION = "tarnbel";
// Error boxes stay above everything and take the foreground.
constexpr UINT SERVER_ERROR_BOX_FLAGS = MB_SYSTEMMODAL | MB_SETFOREGROUND;

// Lines of one box made of several requests; the rest are counted.
constexpr size_t SERVER_BOX_MAX_LINES = 20;

// Shows a box owned by the window and returns the button's id. A box's own message loop would
// drop thread messages posted to the calling thread meanwhile (busy, idle, lamps, echo): they
// are held while the box is up and posted back to the thread's queue, in their order, when it
// closes. What is held stays bounded however long the box is up (THeldMessages): repeats of a
// report or of a box request are held once, and another program's posts of the ids the thread
// takes only from this process are dropped. One box of a text at a time: while it is up, the same
// box again is dropped (0).
int ServerBox(HWND owner, const std::string& text, UINT flags);
// True while a box of this text is up on the calling thread.
bool ServerBoxUp(const std::string& text);

// Only the main thread shows boxes, from its loop. Without a main thread id the box is shown at once
// and its answer returned; otherwise the request is posted there as TM_SHOW_BOX (retried until
// posted), also from the main thread itself, and the caller gets 0. The main thread's request for a
// box that is up is dropped. A handler that requests its box rather than showing it returns at
// once: no message loop of a box runs inside the handling of a sent message.
int RequestServerBox(DWORD mainThreadId, const std::string& text, UINT flags = MB_OK | MB_ICONSTOP);

// The main loop's handler: true for a TM_SHOW_BOX thread message. The box requests queued at that
// moment are shown as one box, their texts one to a line; a request this process did not make is
// dropped unread.
bool HandleBoxRequest(const MSG& msg);

// The error episode of the server: its first error shows a box, later errors stay silent until
// the user acknowledges it (a left-click on the tray icon) or the settings are loaded again.
class TErrorEpisode {
 public:
  explicit TErrorEpisode(HWND owner) : FOwner(owner) {}

  bool ErrorState() const { return FErrorState; }
  // An error without a box of its own (a route's failure report) also opens the episode.
  void Begin() { FErrorState = true; }
  void End() { FErrorState = false; }

  // Opens the episode and shows the box when none was open; 0 (no box) inside an open episode.
  int ShowError(const std::string& text, UINT flags);

 private:
  HWND FOwner;
  bool FErrorState = false;
};
