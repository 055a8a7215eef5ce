// Layer III decoder state: side information, bit reservoir, overlap buffers.
#pragma once

namespace yumekaze::decoder {

struct Layer3State {};

}  // namespace yumekaze::decoder
