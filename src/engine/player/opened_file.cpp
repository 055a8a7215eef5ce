#include "engine/player/opened_file.h"

namespace yumekaze::engine {

TMPOpenedFile::TMPOpenedFile()
    : own_decoder_(std::make_unique<decoder::DecoderState>()),
      Source(Reader, Info, *own_decoder_) {}

TMPOpenedFile::TMPOpenedFile(decoder::DecoderState& decoder) : Source(Reader, Info, decoder) {}

void TMPOpenedFile::Open(TMPStream* stream, bool seekable) {
  Reader.Open(stream, seekable);
  Source.Open();
}

void TMPOpenedFile::UseDecoder(decoder::DecoderState& decoder) {
  Source.UseDecoder(decoder);
  own_decoder_.reset();
}

}  // namespace yumekaze::engine
