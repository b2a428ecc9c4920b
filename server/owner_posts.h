#pragma once
// What this process posted to its own threads and they have not taken yet. Any program can post any id
// to any thread: a thread that acts on some ids only when this process posted them registers which ids,
// every post of ours goes through Post, and a message of such an id that matches no post of ours came
// from someone else.
#include <windows.h>

class TOwnerPosts {
 public:
  // True for the ids the registered thread takes only from this process; called by that thread itself, or by
  // another under the registry's lock.
  using TFilter = bool (*)(const void* owner, UINT id);

  // Registers the thread (its id may be taken again once it has ended: a later registration replaces it).
  static void Register(DWORD threadId, const void* owner, TFilter ownerOnly);
  // Forgets the registration that owner made, and the posts to the thread it never took.
  static void Forget(DWORD threadId, const void* owner);

  // Posts as PostThreadUntilAccepted does; noted when the thread takes the id only from this process.
  static bool Post(DWORD threadId, UINT id, WPARAM wParam, LPARAM lParam);
  // True when the registered thread takes the id only from this process.
  static bool OwnerOnly(DWORD threadId, UINT id);
  // Takes one post that Post made with exactly these values; false when there is none.
  static bool Take(DWORD threadId, UINT id, WPARAM wParam, LPARAM lParam);
  // For a message the calling thread took from its queue: false for a thread message of an id the thread
  // takes only from this process that no post of ours accounts for (the post is taken otherwise).
  static bool Accept(const MSG& msg);
};
