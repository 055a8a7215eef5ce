#include "engine/player/frame_source.h"

#include <algorithm>
#include <cstring>

#include "engine/player/player_types.h"
#include "engine/stream/stream_reader.h"
#include "engine/tags/mp3_info.h"

namespace yumekaze::engine {
namespace {

// The first frame must lie within this many bytes after the tags (the reader's first request);
// after a leading offset the frame is looked at within a request of the largest frame's size.
constexpr int32_t kFirstHeaderWindow = 1024;
constexpr int32_t kFirstFrameWindow = 1441;

// Header bits every frame must share with the first: all of the first byte, the second except
// its protection bit, and the sampling-frequency bits of the third. Bitrate, padding, private
// bit and the whole fourth byte may change between frames.
constexpr uint32_t kSameStreamMask = 0x000CFEFF;

uint32_t LittleEndian32(const uint8_t* bytes) {
  return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

int32_t BigEndian32(const uint8_t* bytes) {
  return static_cast<int32_t>((static_cast<uint32_t>(bytes[0]) << 24) | (bytes[1] << 16) |
                              (bytes[2] << 8) | bytes[3]);
}

// The padding slot: four bytes in Layer I, one in Layers II and III.
int32_t PaddingSlot(const decoder::MpegFrameHeader& header) {
  return header.Layer == 3 ? 4 * header.Padding : header.Padding;
}

// Request(n) leaves Available() as it was when the stream ends first; what was read is still
// worth looking at, so make that contiguous instead.
void RequestUpTo(TMPStreamReader& reader, int32_t n) {
  if (!reader.Request(n)) reader.Request(reader.Filled());
}

}  // namespace

TMPFrameSource::TMPFrameSource(TMPStreamReader& reader, TMP3Info& info,
                               decoder::DecoderState& decoder, TDecoderSetup setup)
    : reader_(reader), info_(info), decoder_(decoder), setup_(setup) {}

void TMPFrameSource::Clear() {
  first_header_ = {};
  first_header_bytes_ = 0;
  output_info_ = {};
  scratch_header_ = {};
  current_frame_length_ = 0;
  resync_count_ = 0;
  reinit_ = false;
  audio_start_ = 0;
  audio_length_ = kUnknownAudioLength;
  layer_number_ = 0;
  mpeg_version_ = 0;
  first_bitrate_ = 0;
  free_format_length_ = 0;
  vbr_header_ = TVbrHeaderKind::None;
  vbr_frames_ = 0;
  skipped_bytes_ = 0;
}

void TMPFrameSource::Open() {
  Clear();
  info_.Attach(&reader_);
  info_.ScanLeading();
  if (reader_.Seekable()) {
    info_.ScanTrailing();
    reader_.Seek(info_.AudioStart(), SeekOrigin::Beginning);
  }
  audio_start_ = info_.AudioStart();
  audio_length_ = info_.AudioLength();

  RequestUpTo(reader_, kFirstHeaderWindow);
  // Only candidates with all four header bytes inside the buffered data count.
  const int32_t window = std::max(reader_.Available() - 3, 0);
  uint32_t offset = 0;
  const int32_t length = decoder::FindFrameHeader(reader_.Data(), static_cast<uint32_t>(window),
                                                  first_header_, first_bitrate_, offset);
  if (length < 1) throw TMPFormatError();
  if (offset > 0) {
    audio_start_ += offset;
    // Audio that ends before the first frame is empty, not negative.
    if (audio_length_ < kUnknownAudioLength) {
      audio_length_ = std::max<int64_t>(audio_length_ - offset, 0);
    }
    if (!reader_.Skip(offset)) throw TMPFormatError();
    RequestUpTo(reader_, kFirstFrameWindow);
    if (reader_.Available() < 4) throw TMPFormatError();
  }
  first_header_bytes_ = LittleEndian32(reader_.Data());
  // A free-format stream has no length in its headers: the first frame's measured length
  // serves every frame.
  if (first_header_.BitrateIndex == 0) free_format_length_ = length;

  current_frame_length_ = CheckFrame(reader_.Data(), first_header_);
  if (current_frame_length_ < 1 || first_header_.Layer < 1 || first_header_.Layer > 3) {
    throw TMPFormatError();
  }
  layer_number_ = 4 - first_header_.Layer;
  if (first_header_.VersionId == 1) {
    mpeg_version_ = 1;
  } else if (first_header_.SyncKind == 1) {
    mpeg_version_ = 2;
  } else if (first_header_.SyncKind == 2) {
    mpeg_version_ = 3;
  } else {
    throw TMPFormatError();
  }
  if (!reader_.Request(current_frame_length_)) throw TMPFormatError();
  if (!InitDecoderFor(first_header_, current_frame_length_)) throw TMPFormatError();
  decoder::GetOutputInfo(decoder_, output_info_);
  const int frame_bytes = output_info_.SamplesPerFrame * output_info_.BitsPerSample / 8;
  if (frame_bytes < 1 || frame_bytes > kPcmBufferSize || output_info_.SampleRate < 1) {
    throw TMPFormatError();
  }
  CheckVbrHeader();
}

int32_t TMPFrameSource::CheckFrame(const uint8_t* bytes, decoder::MpegFrameHeader& header) const {
  int32_t length = decoder::DecodeFrameHeader(bytes, 0, header);
  if (length == 0 && free_format_length_ > 0 && header.SyncKind != 0 && header.Layer != 0 &&
      header.BitrateIndex == 0) {
    length = free_format_length_;
  }
  if (length <= 0) return length;
  if (header.Layer < 1 || header.Layer > 3) return 0;
  if ((LittleEndian32(bytes) & kSameStreamMask) != (first_header_bytes_ & kSameStreamMask)) {
    return 0;
  }
  return length + PaddingSlot(header);
}

bool TMPFrameSource::InitDecoderFor(const decoder::MpegFrameHeader& header, int32_t length) {
  const int32_t result = decoder::InitDecoder(decoder_, header, length - PaddingSlot(header), 0, 0,
                                              setup_.Options, setup_.FrequencyLimit);
  if (result == 0) return false;
  reinit_ = false;
  resync_count_ = 0;
  return true;
}

// A "Xing" or "VBRI" header sits in the first frame's side-information area; that frame carries
// no audio and is passed over, and its byte count (which includes the frame itself) becomes the
// audio length. Only fields inside the frame are read.
void TMPFrameSource::CheckVbrHeader() {
  const uint8_t* frame = reader_.Data();
  const int32_t limit = std::min(current_frame_length_, reader_.Available());
  const auto fits = [limit](int32_t end) { return end <= limit; };

  int32_t p = first_header_.ProtectionBit == 0 ? 2 : 0;
  if (first_header_.VersionId == 1) {
    p += first_header_.Mode == 3 ? 21 : 36;
  } else {
    p += first_header_.Mode == 3 ? 13 : 21;
  }
  if (!fits(p + 4)) return;

  if (std::memcmp(frame + p, "Xing", 4) == 0) {
    vbr_header_ = TVbrHeaderKind::Xing;
    p += 4;
    const int32_t flags = fits(p + 4) ? BigEndian32(frame + p) : 0;
    p += 4;
    if (flags & 1) {
      if (fits(p + 4)) vbr_frames_ = std::max(BigEndian32(frame + p), 0);
      p += 4;
    }
    if ((flags & 2) && fits(p + 4) && BigEndian32(frame + p) > 0) {
      audio_length_ = BigEndian32(frame + p);
    }
  } else if (std::memcmp(frame + p, "VBRI", 4) == 0) {
    vbr_header_ = TVbrHeaderKind::Vbri;
    if (fits(p + 14) && BigEndian32(frame + p + 10) > 0)
      audio_length_ = BigEndian32(frame + p + 10);
    if (fits(p + 18)) vbr_frames_ = std::max(BigEndian32(frame + p + 14), 0);
  } else {
    return;
  }

  if (!reader_.Skip(current_frame_length_)) throw TMPFormatError();
  audio_start_ += current_frame_length_;
  if (audio_length_ < kUnknownAudioLength) {
    audio_length_ = std::max<int64_t>(audio_length_ - current_frame_length_, 0);
  }
  current_frame_length_ = 0;
}

bool TMPFrameSource::AtEndOfData() const {
  return reader_.Position() - audio_start_ >= audio_length_;
}

TFrameStep TMPFrameSource::FindFrame() {
  if (current_frame_length_ <= 0) {
    if (!reader_.Request(4)) {
      EndTruncate();
      return TFrameStep::Skipped;
    }
    current_frame_length_ = CheckFrame(reader_.Data(), scratch_header_);
    if (current_frame_length_ <= 0) {
      current_frame_length_ = 0;
      Resync();
      return TFrameStep::Skipped;
    }
  }
  if (reinit_) {
    // After a rewind the decoder starts afresh from this frame; it must give the format the
    // output was opened with, or the frame is garbage.
    decoder::MpegOutputInfo info{};
    const bool ready = InitDecoderFor(scratch_header_, current_frame_length_);
    if (ready) decoder::GetOutputInfo(decoder_, info);
    if (!ready || info.Channels != output_info_.Channels ||
        info.SamplesPerFrame != output_info_.SamplesPerFrame ||
        info.SampleRate != output_info_.SampleRate) {
      reinit_ = true;
      current_frame_length_ = 0;
      Resync();
      return TFrameStep::Skipped;
    }
  }
  if (!reader_.Request(current_frame_length_)) {
    EndTruncate();
    return TFrameStep::Skipped;
  }
  return TFrameStep::Frame;
}

void TMPFrameSource::DecodeFrame(uint8_t* pcm, int frameBytes) {
  decoder::MpegDecodeResult result{};
  decoder::DecodeFrame(decoder_, result, reader_.Data(), static_cast<size_t>(current_frame_length_),
                       pcm);
  reader_.Skip(current_frame_length_);
  current_frame_length_ = 0;
  resync_count_ = 0;
  // A refused frame plays as one frame of silence; every frame yields exactly frameBytes.
  const int produced =
      result.BytesConsumed > 0 ? std::clamp(result.BytesProduced, 0, frameBytes) : 0;
  std::memset(pcm + produced, 0, static_cast<size_t>(frameBytes - produced));
}

void TMPFrameSource::Rewind() {
  if (reader_.Seekable()) reader_.Seek(audio_start_, SeekOrigin::Beginning);
  current_frame_length_ = 0;
  reinit_ = true;
}

// Skips one byte, or ends the audio here after too many bytes that start no frame.
void TMPFrameSource::Resync() {
  if (resync_count_ >= kMaxResync) {
    EndTruncate();
    return;
  }
  reader_.Skip(1);
  ++resync_count_;
  ++skipped_bytes_;
}

// The audio data ends at the current position: the next step plays out what is buffered.
void TMPFrameSource::EndTruncate() { audio_length_ = reader_.Position() - audio_start_; }

}  // namespace yumekaze::engine
