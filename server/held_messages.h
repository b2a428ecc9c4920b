#pragma once
// The thread messages a box holds back while it is up, posted back to the thread when it closes. What
// it holds is bounded however long the box stays up: a message equal to one held (id and parameters)
// takes that one's place at the end, so the last word on each thing comes last; a busy report held and
// the next idle report cancel out; and of the messages no known sender stands for, at most a fixed
// number are kept.
#include <windows.h>

#include <cstdint>
#include <map>
#include <tuple>
#include <vector>

// How many distinct messages of no known sender a box keeps.
constexpr size_t HELD_UNVOUCHED_MAX = 256;

class THeldMessages {
 public:
  // vouched: a post that this process made (a request it follows, or a report the thread takes only
  // from this process); such messages are bounded by what they can say.
  void Add(const MSG& msg, bool vouched);
  // Posts every message back to the calling thread, in order, and forgets them.
  void PostBack();

 private:
  using TKey = std::tuple<UINT, WPARAM, LPARAM>;
  struct TEntry {
    MSG Msg;
    bool Vouched;
  };
  void Append(const MSG& msg, bool vouched);
  void Drop(uint64_t sequence);

  std::map<uint64_t, TEntry> FOrder;  // by arrival
  std::map<TKey, uint64_t> FByKey;
  std::vector<uint64_t> FBusy;  // busy reports held, the latest last
  uint64_t FNext = 0;
  size_t FUnvouched = 0;
};
