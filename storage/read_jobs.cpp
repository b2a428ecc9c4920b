#include "read_jobs.h"

#include <windows.h>

#include <algorithm>

namespace {
struct TReadJobs {
  const std::vector<std::function<void()>>* Jobs;
  volatile LONG Next = -1;
};

DWORD WINAPI RunJobs(void* p) {
  auto& work = *static_cast<TReadJobs*>(p);
  for (LONG j; (j = InterlockedIncrement(&work.Next)) < LONG(work.Jobs->size());) (*work.Jobs)[size_t(j)]();
  return 0;
}
}  // namespace

void RunReadJobs(const std::vector<std::function<void()>>& jobs, int values) {
  const int perThread = 2048, most = 4;
  TReadJobs work{&jobs};
  int threads = std::min(most, (values + perThread - 1) / perThread);
  std::vector<HANDLE> started;
  for (int t = 1; t < threads; ++t)
    // A registry read takes under 32 KB of stack under Wine: a small reservation, so the readers
    // find room beside a server's many route threads.
    if (HANDLE h = CreateThread(nullptr, 128 * 1024, RunJobs, &work, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr))
      started.push_back(h);
  RunJobs(&work);  // with no thread started this one runs every job
  if (!started.empty()) WaitForMultipleObjects(DWORD(started.size()), started.data(), TRUE, INFINITE);
  for (HANDLE h : started) CloseHandle(h);
}
