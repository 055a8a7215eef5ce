#include "engine/player/file_opener.h"

#include <filesystem>
#include <thread>

#include "engine/stream/file_stream.h"
#include "engine/stream/http_stream.h"
#include "engine/stream/read_ahead_stream.h"

namespace yumekaze::engine {

void RefuseSpecialFile(const std::string& path) {
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (!error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status) &&
      !std::filesystem::is_directory(status)) {
    throw TMPStreamError("Cannot open file \"" + path + "\". Not a regular file");
  }
}

std::unique_ptr<TMPStream> OpenPlayableFile(const std::string& path) {
  if (IsStreamUrl(path)) return std::make_unique<TMPHttpStream>(path);
  RefuseSpecialFile(path);
  return std::make_unique<TMPReadAheadStream>(std::make_unique<TMPFileStream>(path));
}

TMPFileOpener::TMPFileOpener(TMPMessageWindow& window, uint32_t msg)
    : mailbox_(TMPMailbox::For(window, msg)) {}

TMPFileOpener::~TMPFileOpener() { mailbox_->Close(); }

uint64_t TMPFileOpener::Start(const std::string& name) {
  auto outcome = std::make_unique<TMPOpenOutcome>();
  outcome->Request = ++requests_;
  outcome->Name = name;
  const uint64_t request = outcome->Request;
  std::erase_if(running_, [](const auto& entry) { return entry.second.expired(); });
  auto cancel = std::make_shared<TCancel>();
  running_[request] = cancel;
  std::thread([mailbox = mailbox_, outcome = std::move(outcome), cancel]() mutable {
    try {
      outcome->Stream = OpenPlayableFile(outcome->Name);
      if (auto* http = dynamic_cast<TMPHttpStream*>(outcome->Stream.get())) {
        cancel->Arm(http->Canceller());
      }
      auto file = std::make_unique<TMPOpenedFile>();
      file->Open(outcome->Stream.get(), !IsStreamUrl(outcome->Name));
      cancel->Disarm();
      outcome->File = std::move(file);
    } catch (...) {
      cancel->Disarm();
      outcome->File.reset();
      outcome->Stream.reset();
      outcome->Error = std::current_exception();
    }
    if (mailbox->Post(0, reinterpret_cast<std::intptr_t>(outcome.get()))) outcome.release();
  }).detach();
  return request;
}

bool TMPFileOpener::Cancel(uint64_t request) {
  const auto found = running_.find(request);
  if (found == running_.end()) return false;
  const auto cancel = found->second.lock();
  running_.erase(found);
  return cancel && cancel->Fire();
}

void TMPFileOpener::TCancel::Arm(std::function<void()> cancel) {
  std::lock_guard lock(Mutex);
  if (Cancelled) {
    cancel();
  } else {
    Stream = std::move(cancel);
  }
}

void TMPFileOpener::TCancel::Disarm() {
  std::lock_guard lock(Mutex);
  Stream = nullptr;
}

bool TMPFileOpener::TCancel::Fire() {
  std::lock_guard lock(Mutex);
  Cancelled = true;
  if (!Stream) return false;
  Stream();
  return true;
}

}  // namespace yumekaze::engine
