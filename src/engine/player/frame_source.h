// TMPFrameSource: finds the MPEG audio between a file's tags and steps through its frames with
// the decoder's stream parser (confirmed sync, tags between frames skipped, no limit on the junk
// searched through). Open locates the audio and its first frame, sets the decoder up and passes
// over a "Xing"/"Info"/"VBRI" header frame; FindFrame sets the decoder up again whenever a frame
// changes layer, sampling rate or channel count, and reports a change of the output format.
// DecodeFrame trims the encoder delay and padding that a LAME tag gives.
//
// One implementation serves the player's decode loop and the command-line decode. Not
// thread-safe: the player guards it with its decode lock.
#pragma once

#include <cstdint>

#include "decoder/decoder.h"
#include "decoder/frame_walker.h"
#include "decoder/gapless.h"
#include "decoder/vbr_header.h"

namespace yumekaze::engine {

class TMPStreamReader;
class TMP3Info;

// Audio length while it is not known.
inline constexpr int64_t kUnknownAudioLength = 0x7FFFFFFF;
// Bytes of PCM one decoded frame may take; the largest frame gives 4608.
inline constexpr int kPcmBufferSize = 5120;

// "Info" headers share the "Xing" layout and count as Xing here; HeaderFrame() tells them apart.
enum class TVbrHeaderKind : uint8_t { None, Xing, Vbri };

enum class TFrameStep : uint8_t {
  Frame,      // a checked frame of CurrentFrameLength() bytes is at the reader's Data()
  NewFormat,  // as Frame, but its PCM has another rate or channel count: see OutputInfo()
  Skipped,    // no frame here: junk or a tag was skipped, or the audio was cut short here
};

// How the decoder is set up for a stream; the player asks for 16-bit PCM with the channels as
// coded and all 32 subbands below 24 kHz.
struct TDecoderSetup {
  uint8_t Options = decoder::kOptionFullBand;  // DecoderOptions
  int32_t FrequencyLimit = 24000;              // Hz
  bool Gapless = true;                         // trim encoder delay and padding
};

class TMPFrameSource {
 public:
  // Open looks this far after the tags for the first frame; later searches have no limit.
  static constexpr int64_t kFirstFrameSearch = 4 << 20;

  TMPFrameSource(TMPStreamReader& reader, TMP3Info& info, decoder::DecoderState& decoder,
                 TDecoderSetup setup = {});

  // The reader must be open at the start of the file. Finds the audio and its first frame, sets
  // the decoder up for it and skips a VBR header frame; throws TMPFormatError when there is no
  // usable MPEG audio. Stream errors pass through.
  void Open();
  // Forgets the open stream's frame state.
  void Clear();
  // Decodes with `decoder` from here on; it is set up afresh at the next frame.
  void UseDecoder(decoder::DecoderState& decoder);

  // Whether the reader has reached the end of the audio data.
  bool AtEndOfData() const;
  // Finds the frame at the reader's position, setting the decoder up again when the frame
  // needs it (a rewind, another layer, rate or channel count).
  TFrameStep FindFrame();
  // Decodes the frame FindFrame found into pcm (kPcmBufferSize bytes; a frame the decoder
  // refuses gives silence), moves past it and returns the bytes of PCM at pcm's start after
  // the gapless trim (0 when the whole frame is trimmed).
  int DecodeFrame(uint8_t* pcm);
  // Back to the first frame: seeks a seekable reader to the audio start; the decoder is set up
  // again from the next frame found.
  void Rewind();
  // Seekable readers: goes on at the frame at byteOffset (from the file's start, e.g. from a
  // header scan) whose first sample is samplePosition (per channel, from the first audio frame,
  // before the trim). The decoder starts afresh there, without bit reservoir or overlap: for
  // exact PCM, seek a few frames early and drop the PCM before the target.
  void SeekTo(int64_t byteOffset, int64_t samplePosition);

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
  TVbrHeaderKind VbrHeader() const;
  // Frames counted in the VBR header; 0 when it gives none.
  int32_t VbrFrames() const { return static_cast<int32_t>(header_frame_.Frames); }
  // The header frame in full (kind, counts, table of contents, LAME tag).
  const decoder::VbrHeader& HeaderFrame() const { return header_frame_; }
  // The trim applied to the PCM (none with Gapless off or without a LAME tag).
  const decoder::GaplessTrim& Trim() const { return trim_; }
  // Last decoded frame's typed result.
  decoder::DecodeStatus LastDecodeStatus() const { return last_status_; }
  // Bytes passed over while resynchronising since Open.
  int64_t SkippedBytes() const { return skipped_bytes_; }

 private:
  struct View {
    const uint8_t* Bytes;
    size_t Available;
    bool AtEnd;
  };
  View Look(int32_t want);
  decoder::WalkStep Walk();
  bool SkipBytes(int64_t n, bool isTag);
  bool NeedsSetup(const decoder::MpegFrameHeader& header) const;
  bool CrossesBreak(int32_t length);
  bool InitDecoderFor(const decoder::MpegFrameHeader& header, int32_t length);
  bool TakeHeaderFrame(int32_t length);
  void ScanLeadingTags();
  void EndTruncate();

  TMPStreamReader& reader_;
  TMP3Info& info_;
  decoder::DecoderState* decoder_;
  const TDecoderSetup setup_;

  decoder::MpegFrameHeader first_header_{};
  decoder::MpegOutputInfo output_info_{};
  decoder::MpegFrameHeader scratch_header_{};
  decoder::MpegFrameHeader setup_header_{};  // the header the decoder is set up for
  decoder::FrameWalker walker_;
  int32_t current_frame_length_ = 0;
  bool reinit_ = false;
  bool format_changed_ = false;
  int64_t audio_start_ = 0;
  int64_t audio_length_ = kUnknownAudioLength;
  int layer_number_ = 0;
  int mpeg_version_ = 0;
  int32_t first_bitrate_ = 0;
  int32_t free_format_length_ = 0;
  decoder::VbrHeader header_frame_;
  decoder::GaplessTrim trim_;
  int64_t decoded_samples_ = 0;  // per channel since the first audio frame
  decoder::DecodeStatus last_status_ = decoder::DecodeStatus::kDecoded;
  int64_t skipped_bytes_ = 0;
  int64_t passed_break_ = -1;  // the last break in the stream the decoder started afresh after
};

}  // namespace yumekaze::engine
