#pragma once
// Registry reads spread over a few threads. Each value read is a round trip to the registry's server, which
// mostly waits: the values of long lists (a full mapping holds 16,512) are read faster by a few threads at once.
#include <functional>
#include <vector>

// How many values one job reads: ranges of this size spread evenly over the threads.
constexpr int ReadJobValues = 512;

// Runs every job once and returns when all are done: on this thread, and on up to three more when the jobs
// read a few thousand values together (values, their number). The jobs must be safe to run side by side.
void RunReadJobs(const std::vector<std::function<void()>>& jobs, int values);
