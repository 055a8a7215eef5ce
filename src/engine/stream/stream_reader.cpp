#include "engine/stream/stream_reader.h"

#include <algorithm>
#include <cstring>

#include "engine/stream/mp_assert.h"

namespace yumekaze::engine {

TMPStreamReader::TMPStreamReader(int32_t capacity) : capacity_(capacity) { MPAssert(capacity > 0); }

TMPStreamReader::~TMPStreamReader() { Close(); }

void TMPStreamReader::Open(TMPStream* stream, bool seekable) {
  MPAssert(stream != nullptr);
  Close();
  opened_ = true;
  stream_ = stream;
  seekable_ = seekable;
  position_ = 0;
  available_ = 0;
  read_index_ = 0;
  filled_ = 0;
  try {
    ring_ = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(capacity_));
    if (seekable) {
      size_ = stream->Size();
      // Position() is an absolute offset; a stream handed over mid-way starts where it stands.
      position_ = stream->Seek(0, SeekOrigin::Current);
    }
  } catch (...) {
    Close();
    throw;
  }
}

void TMPStreamReader::Close() {
  if (!opened_) return;
  stream_ = nullptr;
  available_ = 0;
  size_ = 0;
  ring_.reset();
  read_index_ = 0;
  filled_ = 0;
  opened_ = false;
}

void TMPStreamReader::UpdateAvailable() { available_ = std::min(filled_, capacity_ - read_index_); }

bool TMPStreamReader::Fill(int32_t n) {
  MPAssert(stream_ != nullptr && n >= 0 && n <= capacity_ && ring_ != nullptr);
  while (filled_ < n) {
    int32_t chunk =
        n - filled_ >= kChunkSize ? n - filled_ : std::min(kChunkSize, capacity_ - filled_);
    const int32_t write_index = static_cast<int32_t>((int64_t{read_index_} + filled_) % capacity_);
    // One read never wraps; the loop reads the rest from index 0.
    chunk = std::min(chunk, capacity_ - write_index);
    const size_t got = stream_->Read(ring_.get() + write_index, static_cast<size_t>(chunk));
    if (got == 0) {
      // Keep Available() true to the bytes buffered, so that callers which go on after a failed
      // request never look past them.
      UpdateAvailable();
      return false;
    }
    filled_ += static_cast<int32_t>(std::min(got, static_cast<size_t>(chunk)));
  }
  UpdateAvailable();
  return true;
}

bool TMPStreamReader::Request(int32_t n) {
  if (!Fill(n)) {
    // What is left before the end is handed out in one piece as well.
    if (available_ < filled_) Linearize();
    return false;
  }
  if (available_ < n) Linearize();
  MPAssert(available_ >= n);
  return true;
}

void TMPStreamReader::Linearize() {
  MPAssert(ring_ != nullptr);
  uint8_t* ring = ring_.get();
  const int32_t tail = capacity_ - read_index_;  // unconsumed bytes up to the ring's end
  const int32_t wrapped = static_cast<int32_t>(int64_t{read_index_} + filled_ - capacity_);
  if (wrapped <= 0) {
    std::memmove(ring, ring + read_index_, static_cast<size_t>(filled_));
  } else if (filled_ < read_index_) {
    // The gap between the wrapped part and the tail takes the wrapped part.
    std::memmove(ring + tail, ring, static_cast<size_t>(wrapped));
    std::memmove(ring, ring + read_index_, static_cast<size_t>(tail));
  } else {
    // The parts would overlap: rotate the whole ring in place rather than allocate a temporary
    // block while decoding.
    std::rotate(ring, ring + read_index_, ring + capacity_);
  }
  read_index_ = 0;
  available_ = filled_;
}

bool TMPStreamReader::ReadAhead() {
  if (filled_ == capacity_) return false;
  return Fill(filled_ + std::min(capacity_ - filled_, kChunkSize));
}

bool TMPStreamReader::Skip(int64_t n) {
  MPAssert(stream_ != nullptr && n >= 0);
  if (n <= filled_) {
    filled_ -= static_cast<int32_t>(n);
    read_index_ = static_cast<int32_t>((int64_t{read_index_} + n) % capacity_);
    position_ += n;
    UpdateAvailable();
    return true;
  }
  if (seekable_) {
    if (n > size_ - position_) {
      Seek(0, SeekOrigin::End);
      return false;
    }
    Seek(n, SeekOrigin::Current);
    return true;
  }
  while (Fill(1)) {
    Fill(capacity_);
    if (n <= filled_) return Skip(n);
    position_ += filled_;
    n -= filled_;
    filled_ = 0;
    read_index_ = 0;
    available_ = 0;
  }
  return false;
}

int64_t TMPStreamReader::Seek(int64_t offset, SeekOrigin origin) {
  MPAssert(stream_ != nullptr && seekable_);
  int64_t moved = 0;
  if (origin == SeekOrigin::Current) {
    // The stream stands filled bytes ahead of Position().
    if (__builtin_sub_overflow(offset, int64_t{filled_}, &moved)) {
      throw TMPStreamError("Seek error. Offset out of range");
    }
    position_ = stream_->Seek(moved, SeekOrigin::Current);
  } else {
    position_ = stream_->Seek(offset, origin);
  }
  read_index_ = 0;
  filled_ = 0;
  available_ = 0;
  return position_;
}

}  // namespace yumekaze::engine
