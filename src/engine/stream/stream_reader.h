// TMPStreamReader: reads a TMPStream through a ring buffer so that callers can look at the next n
// bytes as one contiguous piece (Request, then Data), consume them (Skip), read ahead while idle
// (ReadAhead) and reposition (Seek).
//
// Not thread-safe; the player guards it with its decode lock. Misuse (no stream, a request above
// the capacity, Seek on a reader that is not seekable, ...) throws TMPAssertionError; stream
// failures pass through as TMPStreamError.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/stream/stream.h"

namespace yumekaze::engine {

class TMPStreamReader {
 public:
  // Reads are made in chunks of this size, so that most small requests are served from the ring.
  static constexpr int32_t kChunkSize = 16384;

  explicit TMPStreamReader(int32_t capacity);
  ~TMPStreamReader();
  TMPStreamReader(const TMPStreamReader&) = delete;
  TMPStreamReader& operator=(const TMPStreamReader&) = delete;

  // Closes any previous stream, then reads stream (borrowed, never freed here) from its current
  // position. Only a seekable reader may Seek, knows Size() and reports absolute positions (a
  // reader that is not seekable counts Position() from 0).
  void Open(TMPStream* stream, bool seekable);
  void Close();

  // Makes at least n bytes buffered; false when the stream ends first (what was read stays).
  bool Fill(int32_t n);
  // Fill(n), then makes n bytes contiguous at Data(). False when the stream ends first; Data()
  // then holds every byte left before the end, Available() of them.
  bool Request(int32_t n);
  // Reads one more chunk into free ring space; false when the ring is full or the stream ended.
  bool ReadAhead();
  // Consumes n bytes; false when the stream ends first (a seekable reader then rests at the end).
  bool Skip(int64_t n);
  // Repositions the stream and empties the ring; returns the new absolute position.
  // SeekOrigin::Current counts from Position().
  int64_t Seek(int64_t offset, SeekOrigin origin);
  // Rotates the ring so that the unconsumed bytes start at index 0.
  void Linearize();

  // The first unconsumed byte; Available() bytes from here are buffered and contiguous. Callers
  // Request before they look.
  const uint8_t* Data() const { return ring_.get() + read_index_; }
  int32_t Available() const { return available_; }
  // Absolute stream offset of Data().
  int64_t Position() const { return position_; }
  int32_t Filled() const { return filled_; }
  int32_t Capacity() const { return capacity_; }
  bool Seekable() const { return seekable_; }
  bool Opened() const { return opened_; }
  // The stream's size, read at Open; 0 when not seekable.
  int64_t Size() const { return size_; }
  TMPStream* Stream() const { return stream_; }

 private:
  void UpdateAvailable();

  TMPStream* stream_ = nullptr;
  int64_t size_ = 0;
  bool seekable_ = false;
  bool opened_ = false;
  std::unique_ptr<uint8_t[]> ring_;
  int32_t read_index_ = 0;
  int32_t filled_ = 0;
  int32_t capacity_;
  int64_t position_ = 0;
  int32_t available_ = 0;
};

}  // namespace yumekaze::engine
