// TMPFrameSource: finds the MPEG audio between a file's tags and steps through its frames. Open
// locates the audio (tag reader), finds and checks the first frame header, sets the decoder up and
// passes over a "Xing"/"VBRI" header frame; FindFrame then checks every further frame against the
// first one, skipping garbage byte by byte and ending the audio where the data breaks off.
//
// One implementation serves the player's decode loop and the command-line decode. Not
// thread-safe: the player guards it with its decode lock.
#pragma once

#include <cstdint>

#include "decoder/decoder.h"

namespace yumekaze::engine {

class TMPStreamReader;
class TMP3Info;

// Audio length while it is not known.
inline constexpr int64_t kUnknownAudioLength = 0x7FFFFFFF;
// Bytes of PCM one decoded frame may take; the largest frame gives 4608.
inline constexpr int kPcmBufferSize = 5120;

enum class TVbrHeaderKind : uint8_t { None, Xing, Vbri };

enum class TFrameStep : uint8_t {
  Frame,    // a checked frame of CurrentFrameLength() bytes is at the reader's Data()
  Skipped,  // no frame here: one byte was skipped, or the audio was cut short at this point
};

// How the decoder is set up for a stream; the player asks for 16-bit PCM with the channels as
// coded and the whole band below 24 kHz.
struct TDecoderSetup {
  uint8_t Options = 0;             // DecoderOptions
  int32_t FrequencyLimit = 24000;  // Hz
};

class TMPFrameSource {
 public:
  // Consecutive bytes skipped while looking for a frame before the audio is taken to end.
  static constexpr int kMaxResync = 1024;

  TMPFrameSource(TMPStreamReader& reader, TMP3Info& info, decoder::DecoderState& decoder,
                 TDecoderSetup setup = {});

  // The reader must be open at the start of the file. Finds the audio and its first frame, sets
  // the decoder up for it and skips a VBR header frame; throws TMPFormatError when there is no
  // usable MPEG audio. Stream errors pass through.
  void Open();
  // Forgets the open stream's frame state.
  void Clear();

  // The length of the frame at bytes (4 readable), padding included, when its header matches the
  // first frame's sync, version, layer and sampling frequency; 0 or less otherwise.
  int32_t CheckFrame(const uint8_t* bytes, decoder::MpegFrameHeader& header) const;
  // Sets the decoder up for a frame of this header and length (padding included).
  bool InitDecoderFor(const decoder::MpegFrameHeader& header, int32_t length);

  // Whether the reader has reached the end of the audio data.
  bool AtEndOfData() const;
  // Finds the frame at the reader's position, setting the decoder up again first when a rewind
  // asked for it. Reads at most what the frame needs.
  TFrameStep FindFrame();
  // Decodes the frame FindFrame found into pcm (frameBytes long; silence when the decoder
  // refuses the frame) and moves past it.
  void DecodeFrame(uint8_t* pcm, int frameBytes);
  // Back to the first frame: seeks a seekable reader to the audio start; the decoder is set up
  // again from the next frame found.
  void Rewind();

  const decoder::MpegFrameHeader& FirstHeader() const { return first_header_; }
  const decoder::MpegOutputInfo& OutputInfo() const { return output_info_; }
  int LayerNumber() const { return layer_number_; }  // 1 Layer I, 2 Layer II, 3 Layer III
  int MpegVersion() const { return mpeg_version_; }  // 1 MPEG-1, 2 MPEG-2, 3 MPEG-2.5
  int64_t AudioStart() const { return audio_start_; }
  int64_t AudioLength() const { return audio_length_; }  // kUnknownAudioLength: unknown
  int32_t CurrentFrameLength() const { return current_frame_length_; }
  // Bit/s of the first frame (of the measured length for free format).
  int32_t FirstBitrate() const { return first_bitrate_; }
  // Frame length without padding measured for a free-format stream; 0 otherwise.
  int32_t FreeFormatLength() const { return free_format_length_; }
  TVbrHeaderKind VbrHeader() const { return vbr_header_; }
  // Frames counted in the VBR header; 0 when it gives none.
  int32_t VbrFrames() const { return vbr_frames_; }
  // Bytes passed over while resynchronising since Open.
  int64_t SkippedBytes() const { return skipped_bytes_; }

 private:
  void CheckVbrHeader();
  void Resync();
  void EndTruncate();

  TMPStreamReader& reader_;
  TMP3Info& info_;
  decoder::DecoderState& decoder_;
  const TDecoderSetup setup_;

  decoder::MpegFrameHeader first_header_{};
  uint32_t first_header_bytes_ = 0;
  decoder::MpegOutputInfo output_info_{};
  decoder::MpegFrameHeader scratch_header_{};
  int32_t current_frame_length_ = 0;
  int resync_count_ = 0;
  bool reinit_ = false;
  int64_t audio_start_ = 0;
  int64_t audio_length_ = kUnknownAudioLength;
  int layer_number_ = 0;
  int mpeg_version_ = 0;
  int32_t first_bitrate_ = 0;
  int32_t free_format_length_ = 0;
  TVbrHeaderKind vbr_header_ = TVbrHeaderKind::None;
  int32_t vbr_frames_ = 0;
  int64_t skipped_bytes_ = 0;
};

}  // namespace yumekaze::engine
