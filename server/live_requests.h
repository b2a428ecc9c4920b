#pragma once
// The objects this process hands to its threads by thread message (requests, their payload records,
// box requests, MIDI events) while they are outstanding. Any program may post any id to any thread:
// a message whose lParam names no outstanding object of its id is not ours, and nobody follows it.
#include <windows.h>

class TLiveRequests {
 public:
  // From the moment the object is handed to a post until it is answered, taken or freed.
  static void Add(const void* object, UINT id);
  static void Remove(const void* object);
  // True when lParam names an outstanding object handed over with this id.
  static bool Contains(LPARAM lParam, UINT id);
  // As Contains, and the object is no longer outstanding: the caller owns it now.
  static bool Take(LPARAM lParam, UINT id);
  static size_t Count();
};

// Base of the payload records a request hands to its receiver: outstanding from the request's post
// until the receiver frees the record, however many threads it passes meanwhile.
class TPostedRecord {
 public:
  TPostedRecord() = default;
  TPostedRecord(const TPostedRecord&) = delete;
  TPostedRecord& operator=(const TPostedRecord&) = delete;
  ~TPostedRecord() { TLiveRequests::Remove(this); }
};
