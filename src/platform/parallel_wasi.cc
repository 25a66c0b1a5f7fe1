// WASI has no threads: the tasks run in turn.
#include "platform/parallel.h"

namespace halvex {

int WorkerCount() { return 1; }

void RunTasks(int count, const std::function<void(int)>& task) {
  for (int k = 0; k < count; ++k) task(k);
}

void RunAlone(const std::function<void()>& work) { work(); }

}  // namespace halvex
