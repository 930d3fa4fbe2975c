#pragma once
// Runs f while this process may write files of at most limit bytes: a longer
// write fails with an error (SIGXFSZ ignored), as on a full disk.
#include <gtest/gtest.h>

#ifdef _WIN32
// Windows has no such limit: the tests that need one skip there.
namespace rowsmith::test {
template <class F>
void withFileSizeLimit(unsigned long long, F) {}
}  // namespace rowsmith::test
#else
#include <sys/resource.h>

#include <csignal>

namespace rowsmith::test {

template <class F>
void withFileSizeLimit(rlim_t limit, F f) {
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = limit;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  f();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousSignal);
}

}  // namespace rowsmith::test
#endif
