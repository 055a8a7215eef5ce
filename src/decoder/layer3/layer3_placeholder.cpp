// Temporary: refuses Layer III until the Layer III decoder lands (then this file goes away).
#include "decoder/layer3/layer3.h"

namespace yumekaze::decoder {

int32_t InitLayer3(DecoderState&, const MpegFrameHeader&, int32_t, int32_t, uint8_t, int32_t) {
  return 0;
}
void DecodeLayer3Frame(DecoderState&, MpegDecodeResult& result, const uint8_t*, size_t, uint8_t*) {
  result = {0, 0};
}
void SelectLayer3Variants(DecoderState&, uint32_t) {}

}  // namespace yumekaze::decoder
