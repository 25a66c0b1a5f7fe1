// Work shared between the machine's cores. Each platform has its own source
// file; where there are no threads (WASI), the tasks run in turn on the
// calling thread.
#pragma once

#include <functional>

namespace halvex {

// How many tasks run at once to keep the machine's cores busy: at least 1.
int WorkerCount();

// Runs task(0) to task(count - 1), at once where the platform can, task(0)
// on the calling thread; returns when every one has ended. The tasks must
// not write to anything another reads or writes. What a task throws is
// thrown here once every task has ended (that of the first such task).
void RunTasks(int count, const std::function<void(int)>& task);

// Runs `work` while no other work given to RunAlone runs: for a table the
// tasks share, which one may change while another reads it.
void RunAlone(const std::function<void()>& work);

}  // namespace halvex
