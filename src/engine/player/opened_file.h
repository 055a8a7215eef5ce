// TMPOpenedFile: a stream opened for playing: the reader over it, its tags and the frame source
// that steps through its audio. The file opener fills one on its own thread, with a decoder of its
// own for the check; the player then takes it over as it stands and decodes with its decoder.
#pragma once

#include <memory>

#include "decoder/decoder_state.h"
#include "engine/player/frame_source.h"
#include "engine/stream/stream_reader.h"
#include "engine/tags/mp3_info.h"

namespace yumekaze::engine {

class TMPOpenedFile {
 public:
  static constexpr int32_t kReaderCapacity = 0x10000;

  // With a decoder of its own.
  TMPOpenedFile();
  explicit TMPOpenedFile(decoder::DecoderState& decoder);
  TMPOpenedFile(const TMPOpenedFile&) = delete;
  TMPOpenedFile& operator=(const TMPOpenedFile&) = delete;

  // Opens `stream` (borrowed) from its current position: finds its tags, its audio and the first
  // frame, and sets the decoder up for it. Throws as TMPFrameSource::Open does.
  void Open(TMPStream* stream, bool seekable);
  // Decodes with `decoder` from here on (a decoder of its own is freed).
  void UseDecoder(decoder::DecoderState& decoder);

 private:
  std::unique_ptr<decoder::DecoderState> own_decoder_;  // before Source, which refers to it

 public:
  TMPStreamReader Reader{kReaderCapacity};
  TMP3Info Info;
  TMPFrameSource Source;
};

}  // namespace yumekaze::engine
