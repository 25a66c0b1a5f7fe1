// Work shared between cores where the system has threads (POSIX, Windows).
#include "platform/parallel.h"

#include <algorithm>
#include <thread>
#include <vector>

namespace halvex {

int WorkerCount() {
  // hardware_concurrency answers 0 where it cannot tell; a few cores are all
  // the formatting of one file can use.
  return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
}

void RunTasks(int count, const std::function<void(int)>& task) {
  std::vector<std::thread> threads;
  for (int k = 1; k < count; ++k) threads.emplace_back(task, k);
  if (count > 0) task(0);
  for (std::thread& thread : threads) thread.join();
}

}  // namespace halvex
