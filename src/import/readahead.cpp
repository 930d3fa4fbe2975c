#include "import/readahead.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <system_error>
#include <thread>
#include <vector>

namespace rowsmith {

namespace {

// How far the reading ahead may run before the rows: bounds the memory the
// prepared cells take. The rows only read slots from their own on, and the
// reader never writes beyond the window, so a ring a little larger than the
// window is never written where the rows read; a wide window keeps the
// reader busy while the rows wait for the marriage index at the start.
constexpr size_t kRing = 32768;
constexpr size_t kAheadWindow = kRing - 1024;
constexpr size_t kAheadLead = 64;
constexpr size_t kPublishEvery = 64;

}  // namespace

// Slot i belongs to persons[i]. A slot is free (0), taken by the rows, which
// read the person themselves (1), or filled by the reader ahead (2). The
// reader fills slot i into ring[i % kRing] and stays within kAheadWindow of
// the rows, so it only reuses places the rows are done with.
struct ReadAhead::State {
  const Extractor& extractor;  // the reader ahead only reads it
  std::vector<int32_t> persons;
  std::vector<int32_t> slotOf;  // record -> slot, -1 without one
  std::unique_ptr<std::atomic<uint8_t>[]> state;
  std::vector<PreparedSide> ring;
  // Every slot before it is done with: its person has been handled.
  std::atomic<size_t> position{0};
  // The rows' own first slot not handled, published to position only every
  // kPublishEvery slots: a position that lags is safe, and the reader ahead
  // is not slowed by a value that changes with every person.
  size_t reachedSlot = 0;
  std::atomic<bool> stop{false};
  std::thread worker;
};

ReadAhead::ReadAhead(std::unique_ptr<State> state) : state_(std::move(state)) {}

std::unique_ptr<ReadAhead> ReadAhead::start(Extractor& ex, std::span<const int32_t> persons) {
  if (persons.empty() || std::thread::hardware_concurrency() < 2) return nullptr;
  auto s = std::unique_ptr<State>(new State{ex, {persons.begin(), persons.end()}, {}, {}, {}, {}, {}, {}, {}});
  s->slotOf.assign(static_cast<size_t>(ex.recordCount()), -1);
  for (size_t i = 0; i < persons.size(); ++i) {
    if (ex.isRecord(persons[i])) s->slotOf[static_cast<size_t>(persons[i])] = static_cast<int32_t>(i);
  }
  s->state.reset(new std::atomic<uint8_t>[persons.size()]());
  s->ring.resize(std::min(persons.size(), kRing));
  std::unique_ptr<ReadAhead> ahead(new ReadAhead(std::move(s)));
  try {
    ahead->state_->worker = std::thread([a = ahead.get()] { a->run(); });
  } catch (const std::system_error&) {
    return nullptr;  // no second thread: the rows read every person
  }
  return ahead;
}

ReadAhead::~ReadAhead() {
  if (state_->worker.joinable()) {
    state_->stop = true;
    state_->worker.join();
  }
}

void ReadAhead::run() {
  State& a = *state_;
  try {
    for (size_t i = 0; i < a.persons.size() && !a.stop.load(std::memory_order_relaxed); ++i) {
      // Where the rows have caught up, keep a lead instead of taking turns
      // with them slot by slot; they read the persons in between.
      i = std::max(i, a.position.load(std::memory_order_acquire) + kAheadLead);
      if (i >= a.persons.size()) break;
      while (i > a.position.load(std::memory_order_acquire) + kAheadWindow && !a.stop.load(std::memory_order_relaxed))
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      uint8_t expected = 0;
      if (!a.state[i].compare_exchange_strong(expected, 1, std::memory_order_acquire)) continue;
      try {
        prepareSide(a.extractor, a.persons[i], a.ring[i % kRing]);
      } catch (...) {
        a.state[i].store(0, std::memory_order_release);  // the rows read it themselves
        throw;
      }
      a.state[i].store(2, std::memory_order_release);
    }
  } catch (...) {
    // Out of memory on the way: the rows read what is left themselves.
  }
}

void ReadAhead::advance(const std::vector<uint8_t>& handled) {
  State& a = *state_;
  while (a.reachedSlot < a.persons.size() && handled[static_cast<size_t>(a.persons[a.reachedSlot])]) ++a.reachedSlot;
  // Release: the reader ahead reuses the places of the slots before it.
  if (a.reachedSlot >= a.position.load(std::memory_order_relaxed) + kPublishEvery)
    a.position.store(a.reachedSlot, std::memory_order_release);
}

const PreparedSide& ReadAhead::side(int32_t p, PreparedSide& scratch) {
  const int32_t s = state_->slotOf[static_cast<size_t>(p)];
  if (s < 0) {
    prepareSide(state_->extractor, p, scratch);
    return scratch;
  }
  std::atomic<uint8_t>& slot = state_->state[static_cast<size_t>(s)];
  for (;;) {
    uint8_t seen = slot.load(std::memory_order_acquire);
    if (seen == 2) return state_->ring[static_cast<size_t>(s) % kRing];
    if (seen == 0 && slot.compare_exchange_strong(seen, 1, std::memory_order_acquire)) {
      prepareSide(state_->extractor, p, scratch);
      return scratch;
    }
    std::this_thread::yield();  // the reader ahead is filling it
  }
}

}  // namespace rowsmith
