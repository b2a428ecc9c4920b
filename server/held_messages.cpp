#include "held_messages.h"

#include "owner_posts.h"
#include "tarnbel_protocol.h"

void THeldMessages::Add(const MSG& msg, bool vouched) {
  // Our busy and idle reports come in pairs around each load: what counts is how many are under way.
  if (vouched && msg.message == WM_TB_SERVER_BUSY) {
    FBusy.push_back(FNext);
    Append(msg, vouched);
    return;
  }
  if (vouched && msg.message == WM_TB_SERVER_IDLE) {
    if (FBusy.empty()) return Append(msg, vouched);
    Drop(FBusy.back());
    FBusy.pop_back();
    return;
  }
  auto held = FByKey.find(TKey(msg.message, msg.wParam, msg.lParam));
  if (held != FByKey.end()) {
    Drop(held->second);
  } else if (!vouched && FUnvouched >= HELD_UNVOUCHED_MAX) {
    return;
  }
  FByKey[TKey(msg.message, msg.wParam, msg.lParam)] = FNext;
  Append(msg, vouched);
}

void THeldMessages::Append(const MSG& msg, bool vouched) {
  FOrder[FNext++] = TEntry{msg, vouched};
  if (!vouched) ++FUnvouched;
}

void THeldMessages::Drop(uint64_t sequence) {
  auto entry = FOrder.find(sequence);
  if (entry == FOrder.end()) return;
  const MSG& msg = entry->second.Msg;
  auto key = FByKey.find(TKey(msg.message, msg.wParam, msg.lParam));
  if (key != FByKey.end() && key->second == sequence) FByKey.erase(key);
  if (!entry->second.Vouched) --FUnvouched;
  FOrder.erase(entry);
}

void THeldMessages::PostBack() {
  const DWORD self = GetCurrentThreadId();
  // Posted as ours again: the thread's loop takes each only as a post of this process.
  for (const auto& entry : FOrder) {
    const MSG& msg = entry.second.Msg;
    TOwnerPosts::Post(self, msg.message, msg.wParam, msg.lParam);
  }
  FOrder.clear();
  FByKey.clear();
  FBusy.clear();
  FUnvouched = 0;
}
