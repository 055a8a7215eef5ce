#include "engine/stream/read_ahead_stream.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace yumekaze::engine {

struct TMPReadAheadState {
  std::mutex Mutex;
  std::condition_variable DataReady;   // for the reader
  std::condition_variable SpaceReady;  // for the reading thread
  std::unique_ptr<TMPStream> Source;
  std::vector<uint8_t> Cache;  // read ahead: Cache[First..] is the file from Position on
  size_t First = 0;
  int64_t Position = 0;
  uint64_t Generation = 0;   // counts the seeks that dropped the cache
  bool AtEnd = false;        // the file ends where the cache does
  std::exception_ptr Error;  // reading on where the cache ends failed
  bool Stopping = false;
  // Playing: read ahead as far as kAhead. Otherwise (opening, scanning tags) only what a waiting
  // reader asks for, so that a look at a file's tags reads no more of it than that.
  bool Streaming = false;
  int Waiting = 0;    // readers waiting for data
  size_t Wanted = 0;  // bytes the last of them asked for

  size_t Cached() const { return Cache.size() - First; }
  bool Ready() const { return Cached() > 0 || AtEnd || Error || Stopping; }
  bool HasSpace() const {
    if (AtEnd || Error) return false;
    return Streaming ? Cached() + TMPReadAheadStream::kChunk <= TMPReadAheadStream::kAhead
                     : Cached() == 0 && Waiting > 0;
  }
};

namespace {

void ReadAhead(const std::shared_ptr<TMPReadAheadState>& state) {
  std::vector<uint8_t> chunk(TMPReadAheadStream::kChunk);
  std::unique_lock lock(state->Mutex);
  for (;;) {
    state->SpaceReady.wait(lock, [&] { return state->Stopping || state->HasSpace(); });
    if (state->Stopping) return;
    const int64_t at = state->Position + static_cast<int64_t>(state->Cached());
    const uint64_t generation = state->Generation;
    const size_t size = state->Streaming ? chunk.size() : std::min(chunk.size(), state->Wanted);
    lock.unlock();
    size_t n = 0;
    std::exception_ptr error;
    try {
      state->Source->Seek(at, SeekOrigin::Beginning);
      n = state->Source->Read(chunk.data(), size);
    } catch (...) {
      error = std::current_exception();
    }
    lock.lock();
    if (generation != state->Generation) continue;  // a seek elsewhere meanwhile
    if (error) {
      state->Error = error;
    } else if (n == 0) {
      state->AtEnd = true;
    } else {
      state->Cache.erase(state->Cache.begin(),
                         state->Cache.begin() + static_cast<std::ptrdiff_t>(state->First));
      state->First = 0;
      state->Cache.insert(state->Cache.end(), chunk.begin(),
                          chunk.begin() + static_cast<std::ptrdiff_t>(n));
    }
    state->DataReady.notify_all();
  }
}

}  // namespace

TMPReadAheadStream::TMPReadAheadStream(std::unique_ptr<TMPStream> source)
    : state_(std::make_shared<TMPReadAheadState>()), size_(source->Size()) {
  state_->Source = std::move(source);
  std::thread(ReadAhead, state_).detach();
}

TMPReadAheadStream::~TMPReadAheadStream() {
  std::lock_guard lock(state_->Mutex);
  state_->Stopping = true;
  state_->SpaceReady.notify_all();
  state_->DataReady.notify_all();
}

void TMPReadAheadStream::SetWaits(bool value) {
  std::lock_guard lock(state_->Mutex);
  waits_ = value;
  state_->Streaming = !value;
  state_->SpaceReady.notify_one();
}

size_t TMPReadAheadStream::Read(uint8_t* buffer, size_t count) {
  std::unique_lock lock(state_->Mutex);
  TMPReadAheadState& state = *state_;
  if (waits_ && !state.Ready()) {
    ++state.Waiting;
    state.Wanted = std::max<size_t>(count, 1);
    state.SpaceReady.notify_one();
    state.DataReady.wait(lock, [&] { return state.Ready(); });
    --state.Waiting;
  }
  if (state.Cached() > 0) {
    const size_t n = std::min(count, state.Cached());
    std::memcpy(buffer, state.Cache.data() + state.First, n);
    const bool had_space = state.HasSpace();
    state.First += n;
    state.Position += static_cast<int64_t>(n);
    if (!had_space && state.HasSpace()) state.SpaceReady.notify_one();
    return n;
  }
  if (state.Error) std::rethrow_exception(state.Error);
  if (state.AtEnd) return 0;
  throw TMPReadPending([state = state_](std::chrono::milliseconds limit) {
    std::unique_lock wait(state->Mutex);
    state->DataReady.wait_for(wait, limit, [&] { return state->Ready(); });
  });
}

int64_t TMPReadAheadStream::Seek(int64_t offset, SeekOrigin origin) {
  std::lock_guard lock(state_->Mutex);
  TMPReadAheadState& state = *state_;
  const int64_t base = origin == SeekOrigin::Beginning ? 0
                       : origin == SeekOrigin::Current ? state.Position
                                                       : size_;
  const int64_t position = base + offset;
  if (position < 0) throw TMPStreamError("Seek error. Invalid argument");
  if (position >= state.Position &&
      position <= state.Position + static_cast<int64_t>(state.Cached())) {
    state.First += static_cast<size_t>(position - state.Position);
  } else {
    state.Cache.clear();
    state.First = 0;
    state.AtEnd = false;
    state.Error = nullptr;
    ++state.Generation;
  }
  state.Position = position;
  state.SpaceReady.notify_one();
  return position;
}

std::unique_ptr<TMPStream> TMPReadAheadStream::Duplicate() { return state_->Source->Duplicate(); }

}  // namespace yumekaze::engine
