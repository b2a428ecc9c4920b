#pragma once
// TIPCLink: the link to another program's top-level window, found by its exact title, and the
// payload channel: data too large for two message parameters is written to a "$$$" temporary
// file whose full name becomes a global atom, and the atom travels in wParam. The receiver
// reads the file whole, then deletes the file and the atom.
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class TIPCLink {
 public:
  // Stores the title and the id SendData uses when given 0, then looks for the peer.
  TIPCLink(const std::string& title, UINT defaultId);

  // The first top-level window whose title equals PeerTitle exactly (letter case too).
  bool FindPeer();
  bool PeerExists() { return FindPeer(); }
  void ForgetPeer() { FPeerWindow = nullptr; }

  // False when the peer is unknown. A failed post looks the window up again and is retried for
  // as long as a window with the title exists; false once it is gone.
  bool Post(UINT id, WPARAM wParam, LPARAM lParam);
  bool Notify(UINT id) { return Post(id, 0, 0); }
  bool NotifyFlag(UINT id, bool flag) { return Post(id, 0, flag ? 1 : 0); }

  // Posts id (0: DefaultId) with wParam = the atom of a payload holding the data. False when the
  // peer is unknown (nothing is written), when the payload cannot be made, or when the window is
  // gone, in which case the payload is removed again.
  bool SendData(const void* data, size_t size, UINT id, LPARAM lParam);
  bool SendString(const std::string& text, UINT id);

  // Posts the thread message id with a payload of the data in wParam and lParam 0, retried until
  // accepted. False (and no payload left behind) when the thread is gone.
  static bool PostThreadData(DWORD threadId, const void* data, size_t size, UINT id);

  // Removes a payload that the receiver does not want, unread.
  static void DiscardPayload(WPARAM atom);
  // Removes the payloads posted to the window and not yet taken, for a window about to be destroyed: its queued
  // messages go with it, and their files and atoms would stay. Posts after it is gone fail, and their senders
  // remove those payloads themselves.
  static void DiscardQueuedPayloads(HWND window);

  const std::string& PeerTitle() const { return FPeerTitle; }
  // nullptr while the peer is unknown.
  HWND PeerWindow() const { return FPeerWindow; }
  UINT DefaultId() const { return FDefaultId; }

 private:
  bool PostPayload(ATOM atom, UINT id, LPARAM lParam);

  std::string FPeerTitle;
  HWND FPeerWindow = nullptr;
  UINT FDefaultId;
};

// Payloads larger than this are refused by the receiver (and removed).
constexpr size_t IPC_MAX_PAYLOAD_SIZE = 64u * 1024u * 1024u;

// Writes a payload file and adds its atom; 0 when the file cannot be written or the atom cannot
// be added (the file is then removed).
ATOM IPCWritePayload(const void* data, size_t size);
ATOM IPCWriteStringPayload(const std::string& text);

// Reads the payload named by the atom in wParam whole, then deletes file and atom. Only a "$$$"
// temporary file directly in the temporary folder is accepted, by its name and by where the opened
// file really lies (a link there may lead elsewhere): an atom naming anything else is left alone,
// its file neither read nor deleted. False when the atom or file is missing, the
// name is refused, or the file cannot be read whole.
bool IPCReceiveBuffer(WPARAM atom, std::vector<uint8_t>& data);
bool IPCReceiveString(WPARAM atom, std::string& text);

// True for the full name of a payload file: the temporary folder, then "$$$...".tmp.
bool IsPayloadFileName(const std::string& path);
