// TMPSeekIndexBuilder: builds a file's seek index on a thread of its own, over a second reader of
// the file, so that the first seek in a long file, or in one on a slow or hung file system, never
// holds up the caller. The result is posted to the player's window.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>

#include "engine/player/mailbox.h"
#include "engine/player/seek_index.h"
#include "engine/stream/stream.h"

namespace yumekaze::engine {

// The index, or why the scan failed.
struct TMPSeekIndexResult {
  TMPSeekIndex Index;
  std::exception_ptr Error;
};

class TMPSeekIndexBuilder {
 public:
  // Results arrive as `msg` with wParam = the request and lParam = a TMPSeekIndexResult* the
  // receiver takes over (delete).
  TMPSeekIndexBuilder(TMPMessageWindow& window, uint32_t msg);
  // Scans still running are left to finish on their own; they post nothing any more.
  ~TMPSeekIndexBuilder();
  TMPSeekIndexBuilder(const TMPSeekIndexBuilder&) = delete;
  TMPSeekIndexBuilder& operator=(const TMPSeekIndexBuilder&) = delete;

  // Starts TMPSeekIndex::Build over `stream` (a reader of its own); returns the request (not 0).
  uint64_t Start(std::unique_ptr<TMPStream> stream, int64_t audioStart, int64_t audioLength,
                 int layerNumber);

 private:
  std::shared_ptr<TMPMailbox> mailbox_;  // shared with the scanning threads
  uint64_t requests_ = 0;
};

}  // namespace yumekaze::engine
