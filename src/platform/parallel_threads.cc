// Work shared between cores where the system has threads (POSIX, Windows).
#include "platform/parallel.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#if defined(__linux__)
#include <sched.h>
#endif

namespace halvex {

int WorkerCount() {
  // The cores the process may run on: a run confined to one (taskset, a
  // container's CPU set) shares no work. hardware_concurrency counts every
  // core of the machine, and answers 0 where it cannot tell.
  unsigned cores = std::thread::hardware_concurrency();
#if defined(__linux__)
  cpu_set_t allowed;
  if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) {
    cores = static_cast<unsigned>(CPU_COUNT(&allowed));
  }
#endif
  // A few cores are all the reading and writing of one file can use.
  return static_cast<int>(std::clamp(cores, 1u, 8u));
}

void RunTasks(int count, const std::function<void(int)>& task) {
  if (count <= 0) return;
  // What each task threw, given to the caller once every task has ended:
  // an exception must not escape a thread (that would end the program),
  // and a task that ran out of memory ends the run as it would on one
  // thread.
  std::vector<std::exception_ptr> thrown(static_cast<std::size_t>(count));
  auto run = [&](int k) {
    try {
      task(k);
    } catch (...) {
      thrown[static_cast<std::size_t>(k)] = std::current_exception();
    }
  };
  std::vector<std::thread> threads;
  std::vector<int> onThisThread{0};
  for (int k = 1; k < count; ++k) {
    // A system out of threads runs the task on the calling thread.
    try {
      threads.emplace_back(run, k);
    } catch (const std::system_error&) {
      onThisThread.push_back(k);
    }
  }
  for (int k : onThisThread) run(k);
  for (std::thread& thread : threads) thread.join();
  for (const std::exception_ptr& exception : thrown) {
    if (exception) std::rethrow_exception(exception);
  }
}

void RunAlone(const std::function<void()>& work) {
  static std::mutex alone;
  std::lock_guard<std::mutex> lock(alone);
  work();
}

}  // namespace halvex
