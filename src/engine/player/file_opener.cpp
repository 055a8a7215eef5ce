#include "engine/player/file_opener.h"

#include <filesystem>
#include <thread>

#include "decoder/decoder_state.h"
#include "engine/player/frame_source.h"
#include "engine/stream/file_stream.h"
#include "engine/stream/stream_reader.h"
#include "engine/tags/mp3_info.h"

namespace yumekaze::engine {

std::unique_ptr<TMPStream> OpenPlayableFile(const std::string& path) {
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (!error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status) &&
      !std::filesystem::is_directory(status)) {
    throw TMPStreamError("Cannot open file \"" + path + "\". Not a regular file");
  }
  return std::make_unique<TMPFileStream>(path);
}

namespace {

// Everything the player's open does before it touches the player: throws what that would throw.
void CheckPlayable(TMPOpenOutcome& outcome) {
  TMPStream& stream = *outcome.Stream;
  constexpr int32_t kReaderCapacity = 0x10000;
  TMPStreamReader reader(kReaderCapacity);
  TMP3Info info;
  const auto decoder = std::make_unique<decoder::DecoderState>();
  TMPFrameSource source(reader, info, *decoder);
  reader.Open(&stream, true);
  source.Open();
  outcome.SampleRate = source.OutputInfo().SampleRate;
  outcome.Channels = source.OutputInfo().Channels;
  reader.Close();
  stream.Seek(0, SeekOrigin::Beginning);
}

}  // namespace

TMPFileOpener::TMPFileOpener(TMPMessageWindow& window, uint32_t msg)
    : mailbox_(std::make_shared<Mailbox>()) {
  mailbox_->Window = &window;
  mailbox_->Msg = msg;
}

TMPFileOpener::~TMPFileOpener() {
  std::lock_guard lock(mailbox_->Mutex);
  mailbox_->Window = nullptr;
}

uint64_t TMPFileOpener::Start(const std::string& name) {
  auto outcome = std::make_unique<TMPOpenOutcome>();
  outcome->Request = ++requests_;
  outcome->Name = name;
  const uint64_t request = outcome->Request;
  std::thread([mailbox = mailbox_, outcome = std::move(outcome)]() mutable {
    try {
      outcome->Stream = OpenPlayableFile(outcome->Name);
      CheckPlayable(*outcome);
    } catch (...) {
      outcome->Stream.reset();
      outcome->Error = std::current_exception();
    }
    std::lock_guard lock(mailbox->Mutex);
    if (mailbox->Window != nullptr &&
        mailbox->Window->Post(mailbox->Msg, 0, reinterpret_cast<std::intptr_t>(outcome.get()))) {
      outcome.release();
    }
  }).detach();
  return request;
}

}  // namespace yumekaze::engine
