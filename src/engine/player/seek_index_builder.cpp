#include "engine/player/seek_index_builder.h"

#include <thread>

namespace yumekaze::engine {

TMPSeekIndexBuilder::TMPSeekIndexBuilder(TMPMessageWindow& window, uint32_t msg)
    : mailbox_(TMPMailbox::For(window, msg)) {}

TMPSeekIndexBuilder::~TMPSeekIndexBuilder() { mailbox_->Close(); }

uint64_t TMPSeekIndexBuilder::Start(std::unique_ptr<TMPStream> stream, int64_t audioStart,
                                    int64_t audioLength, int layerNumber) {
  const uint64_t request = ++requests_;
  std::thread([mailbox = mailbox_, request, stream = std::move(stream), audioStart, audioLength,
               layerNumber]() mutable {
    auto result = std::make_unique<TMPSeekIndexResult>();
    try {
      result->Index.Build(*stream, audioStart, audioLength, layerNumber);
    } catch (...) {
      result->Error = std::current_exception();
    }
    stream.reset();
    if (mailbox->Post(request, reinterpret_cast<std::intptr_t>(result.get()))) result.release();
  }).detach();
  return request;
}

}  // namespace yumekaze::engine
