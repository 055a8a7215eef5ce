// Opening a file for the player away from the user-interface thread: TMPFileOpener opens the
// file, reads its tags and finds its first frame (a TMPOpenedFile) on a thread of its own, and
// posts the outcome to the player's window, which takes the opened file over as it stands. A file
// on a hung file system holds up only that thread; the window never waits for it.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "engine/player/mailbox.h"
#include "engine/player/message_window.h"
#include "engine/player/opened_file.h"
#include "engine/stream/stream.h"

namespace yumekaze::engine {

// Opens `path` for playing: a regular file, seekable, whose size is known, read ahead on a thread
// of its own, or an http(s) URL's network stream, which cannot seek. Pipes, sockets and devices
// are refused before they are opened, since opening a FIFO waits for a writer.
std::unique_ptr<TMPStream> OpenPlayableFile(const std::string& path);
// Throws TMPStreamError when path names a pipe, socket or device, which opening could block on.
void RefuseSpecialFile(const std::string& path);

// What an opening came to: Stream and File (opened over Stream) are set when the file can be
// played, Error otherwise.
struct TMPOpenOutcome {
  uint64_t Request = 0;
  std::string Name;
  std::unique_ptr<TMPStream> Stream;
  std::unique_ptr<TMPOpenedFile> File;
  std::exception_ptr Error;
};

class TMPFileOpener {
 public:
  // Outcomes arrive as `msg` with lParam = a TMPOpenOutcome* the receiver takes over (delete).
  TMPFileOpener(TMPMessageWindow& window, uint32_t msg);
  // Openings still running are left to finish on their own; they post nothing any more.
  ~TMPFileOpener();
  TMPFileOpener(const TMPFileOpener&) = delete;
  TMPFileOpener& operator=(const TMPFileOpener&) = delete;

  // Starts opening `name`; returns the number of this request (the outcome's Request).
  uint64_t Start(const std::string& name);
  // Ends the wait of a request still opening a network stream (its outcome is then an error);
  // one that has finished is left alone. True when a network stream was given up.
  bool Cancel(uint64_t request);

 private:
  // How a running request's network stream is cancelled.
  struct TCancel {
    std::mutex Mutex;
    std::function<void()> Stream;
    bool Cancelled = false;
    void Arm(std::function<void()> cancel);
    void Disarm();
    bool Fire();
  };

  std::shared_ptr<TMPMailbox> mailbox_;  // shared with the opening threads
  uint64_t requests_ = 0;
  std::map<uint64_t, std::weak_ptr<TCancel>> running_;
};

}  // namespace yumekaze::engine
