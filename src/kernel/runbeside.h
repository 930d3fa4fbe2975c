#pragma once
// Work for the second core: started on a thread of its own when the machine
// has one and a thread can be had, otherwise run in the caller's thread at
// join(). Either way an exception of the work reaches the caller at join().
#include <exception>
#include <functional>
#include <system_error>
#include <thread>
#include <utility>

#include "os/osfile.h"

namespace rowsmith {

class BesideWork {
 public:
  explicit BesideWork(std::function<void()> work) : work_(std::move(work)) {
    if (os::processorCount() < 2) return;
    try {
      thread_ = std::thread([this] { runCatching(); });
    } catch (const std::system_error&) {
      // No thread to be had: join() runs the work.
    }
  }
  ~BesideWork() {
    if (thread_.joinable()) thread_.join();
  }
  BesideWork(const BesideWork&) = delete;
  BesideWork& operator=(const BesideWork&) = delete;

  bool onSecondThread() const { return thread_.joinable(); }

  // Waits for the work (or runs it now) and passes its exception on.
  void join() {
    if (thread_.joinable())
      thread_.join();
    else if (work_)
      runCatching();
    work_ = nullptr;
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
  }

 private:
  void runCatching() {
    try {
      work_();
    } catch (...) {
      failure_ = std::current_exception();
    }
  }

  std::function<void()> work_;
  std::exception_ptr failure_;
  std::thread thread_;
};

// Runs beside on the second core and here in this thread, then waits.
template <class Beside, class Here>
void runBeside(Beside beside, Here here) {
  BesideWork work(std::move(beside));
  here();
  work.join();
}

}  // namespace rowsmith
