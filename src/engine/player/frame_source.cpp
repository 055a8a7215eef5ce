#include "engine/player/frame_source.h"

#include <algorithm>
#include <cstring>

#include "decoder/tag_blocks.h"
#include "engine/player/player_types.h"
#include "engine/stream/stream_reader.h"
#include "engine/tags/mp3_info.h"

namespace yumekaze::engine {
namespace {

constexpr int32_t kId3v2HeaderSize = 10;
// A frame is looked at with this much after it: its header and a tag's marker.
constexpr int32_t kProbeBytes = static_cast<int32_t>(decoder::kTagProbeBytes) + 4;

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
    : reader_(reader), info_(info), decoder_(&decoder), setup_(setup) {}

void TMPFrameSource::Clear() {
  first_header_ = {};
  output_info_ = {};
  scratch_header_ = {};
  setup_header_ = {};
  walker_ = {};
  current_frame_length_ = 0;
  reinit_ = false;
  format_changed_ = false;
  audio_start_ = 0;
  audio_length_ = kUnknownAudioLength;
  layer_number_ = 0;
  mpeg_version_ = 0;
  first_bitrate_ = 0;
  free_format_length_ = 0;
  header_frame_ = {};
  trim_ = {};
  decoded_samples_ = 0;
  last_status_ = decoder::DecodeStatus::kDecoded;
  skipped_bytes_ = 0;
  passed_break_ = -1;
}

void TMPFrameSource::UseDecoder(decoder::DecoderState& decoder) {
  decoder_ = &decoder;
  reinit_ = true;
}

TVbrHeaderKind TMPFrameSource::VbrHeader() const {
  switch (header_frame_.Kind) {
    case decoder::VbrHeaderKind::kXing:
    case decoder::VbrHeaderKind::kInfo:
      return TVbrHeaderKind::Xing;
    case decoder::VbrHeaderKind::kVbri:
      return TVbrHeaderKind::Vbri;
    case decoder::VbrHeaderKind::kNone:
      break;
  }
  return TVbrHeaderKind::None;
}

// From a pipe, an ID3v2 tag whose size points past the end of the data would be skipped with
// all the audio: such a tag is left to the frame search, which passes over its header only.
void TMPFrameSource::ScanLeadingTags() {
  info_.Attach(&reader_);
  if (!reader_.Seekable()) {
    RequestUpTo(reader_, kId3v2HeaderSize);
    const int64_t tag =
        decoder::TagBlockSize(reader_.Data(), static_cast<size_t>(reader_.Available()));
    if (tag > kId3v2HeaderSize && std::memcmp(reader_.Data(), "ID3", 3) == 0) {
      // Whether the data ends inside the tag shows as far as the ring reaches.
      const int32_t probe = static_cast<int32_t>(std::min<int64_t>(tag, reader_.Capacity()));
      RequestUpTo(reader_, probe);
      if (reader_.Available() < probe) return;
    }
  }
  info_.ScanLeading();
}

void TMPFrameSource::Open() {
  Clear();
  ScanLeadingTags();
  if (reader_.Seekable()) {
    info_.ScanTrailing();
    reader_.Seek(info_.AudioStart(), SeekOrigin::Beginning);
  }
  audio_start_ = info_.AudioStart();
  audio_length_ = info_.AudioLength();

  // The first frame is looked for even past an audio length of 0 (an empty MacBinary data
  // fork): the stream is then MPEG audio with nothing to play.
  const int64_t audio_length = audio_length_;
  audio_length_ = kUnknownAudioLength;
  decoder::WalkStep step;
  for (;;) {
    if (reader_.Position() - audio_start_ > kFirstFrameSearch) throw TMPFormatError();
    step = Walk();
    if (step.Action == decoder::WalkAction::kFrame) break;
    if (step.Action != decoder::WalkAction::kSkip) throw TMPFormatError();
    if (!SkipBytes(step.Bytes, step.IsTag)) throw TMPFormatError();
  }
  audio_length_ = audio_length;
  // The audio starts at its first frame; whatever came before it is no part of it.
  const int64_t offset = reader_.Position() - audio_start_;
  audio_start_ += offset;
  if (audio_length_ < kUnknownAudioLength) {
    audio_length_ = std::max<int64_t>(audio_length_ - offset, 0);
  }
  skipped_bytes_ = 0;
  first_header_ = step.Frame.Header;
  first_bitrate_ = step.Frame.Bitrate;
  if (first_header_.BitrateIndex == 0) {
    free_format_length_ = walker_.FreeFormatLength;
    // The bitrate of the measured length, as the header parser gives it.
    decoder::MpegFrameHeader header{};
    decoder::DecodeHeaderAndBitrate(reader_.Data(), static_cast<uint32_t>(reader_.Available()),
                                    header, first_bitrate_);
  }
  current_frame_length_ = step.Frame.Length;
  scratch_header_ = first_header_;
  layer_number_ = 4 - first_header_.Layer;
  mpeg_version_ = first_header_.VersionId == 1 ? 1 : (first_header_.SyncKind == 1 ? 2 : 3);
  if (!reader_.Request(current_frame_length_)) throw TMPFormatError();
  if (!InitDecoderFor(first_header_, current_frame_length_)) throw TMPFormatError();
  decoder::GetOutputInfo(*decoder_, output_info_);
  const int frame_bytes = output_info_.SamplesPerFrame * output_info_.BitsPerSample / 8;
  if (frame_bytes < 1 || frame_bytes > kPcmBufferSize || output_info_.SampleRate < 1) {
    throw TMPFormatError();
  }
  if (TakeHeaderFrame(current_frame_length_)) {
    audio_start_ += current_frame_length_;
    if (audio_length_ < kUnknownAudioLength) {
      audio_length_ = std::max<int64_t>(audio_length_ - current_frame_length_, 0);
    }
    current_frame_length_ = 0;
    if (setup_.Gapless) {
      const int32_t samples = output_info_.SamplesPerFrame / output_info_.Channels;
      trim_ = decoder::GaplessTrimFor(header_frame_, samples,
                                      header_frame_.HasFrames ? header_frame_.Frames : 0);
    }
  }
}

// A header frame carries no audio: it is passed over (and kept when it is the stream's first).
bool TMPFrameSource::TakeHeaderFrame(int32_t length) {
  decoder::VbrHeader header;
  if (!decoder::ParseVbrHeader(reader_.Data(), static_cast<size_t>(length), scratch_header_,
                               header)) {
    return false;
  }
  if (header_frame_.Kind == decoder::VbrHeaderKind::kNone && decoded_samples_ == 0) {
    header_frame_ = header;
  }
  if (!reader_.Skip(length)) throw TMPFormatError();
  return true;
}

// The bytes at the reader's position up to the end of the audio data.
TMPFrameSource::View TMPFrameSource::Look(int32_t want) {
  const int64_t left = audio_start_ + audio_length_ - reader_.Position();
  const int32_t asked = static_cast<int32_t>(std::clamp<int64_t>(left, 0, want));
  RequestUpTo(reader_, asked);
  const int32_t available = std::min(reader_.Available(), asked);
  return {reader_.Data(), static_cast<size_t>(available), available < want};
}

// One step of the stream parser; a frame in sync is looked at with a few bytes, a search for
// sync with as many as a confirmation may need.
decoder::WalkStep TMPFrameSource::Walk() {
  int32_t want = walker_.Locked ? kProbeBytes : decoder::kWalkLookahead;
  for (;;) {
    const View view = Look(want);
    const decoder::WalkStep step =
        decoder::NextFrame(walker_, view.Bytes, view.Available, view.AtEnd);
    if (step.Action != decoder::WalkAction::kNeedMore || want >= decoder::kWalkLookahead) {
      return step;
    }
    want = decoder::kWalkLookahead;
  }
}

// Skips junk or a tag inside the audio data; a tag that claims more than the data holds is only
// a damaged header, so just its first byte goes. False at the end of the data.
bool TMPFrameSource::SkipBytes(int64_t n, bool isTag) {
  const int64_t left = audio_start_ + audio_length_ - reader_.Position();
  if (isTag) {
    bool fits = n <= left;
    if (fits && reader_.Seekable()) fits = reader_.Position() + n <= reader_.Size();
    if (fits && n > reader_.Available()) {
      // A pipe shows whether the data ends inside the tag as far as the ring reaches.
      const int32_t probe = static_cast<int32_t>(std::min<int64_t>(n, reader_.Capacity()));
      RequestUpTo(reader_, probe);
      fits = reader_.Available() >= probe;
    }
    if (!fits) n = 1;
  }
  if (!isTag) skipped_bytes_ += n;
  return reader_.Skip(std::min(n, left)) && n <= left;
}

bool TMPFrameSource::NeedsSetup(const decoder::MpegFrameHeader& header) const {
  return !decoder::SameStream(header, setup_header_) ||
         (header.Mode == 3) != (setup_header_.Mode == 3);
}

bool TMPFrameSource::InitDecoderFor(const decoder::MpegFrameHeader& header, int32_t length) {
  const int32_t result = decoder::InitDecoder(*decoder_, header, length - PaddingSlot(header), 0, 0,
                                              setup_.Options, setup_.FrequencyLimit);
  if (result == 0) return false;
  setup_header_ = header;
  reinit_ = false;
  return true;
}

bool TMPFrameSource::AtEndOfData() const {
  return reader_.Position() - audio_start_ >= audio_length_;
}

TFrameStep TMPFrameSource::FindFrame() {
  if (current_frame_length_ <= 0) {
    const decoder::WalkStep step = Walk();
    if (step.Action == decoder::WalkAction::kSkip) {
      if (!SkipBytes(step.Bytes, step.IsTag)) EndTruncate();
      return TFrameStep::Skipped;
    }
    if (step.Action != decoder::WalkAction::kFrame) {
      EndTruncate();
      return TFrameStep::Skipped;
    }
    if (!reader_.Seekable() && CrossesBreak(step.Frame.Length)) return TFrameStep::Skipped;
    scratch_header_ = step.Frame.Header;
    if (!reader_.Request(step.Frame.Length)) {
      EndTruncate();
      return TFrameStep::Skipped;
    }
    // Files joined after a first one bring their own header frames along.
    if (step.Synced && TakeHeaderFrame(step.Frame.Length)) return TFrameStep::Skipped;
    current_frame_length_ = step.Frame.Length;
    if (NeedsSetup(scratch_header_)) reinit_ = true;
  }
  if (reinit_) {
    decoder::MpegOutputInfo info{};
    if (!InitDecoderFor(scratch_header_, current_frame_length_)) {
      // The decoder cannot serve this frame: passed over as junk.
      current_frame_length_ = 0;
      walker_.Locked = false;
      SkipBytes(1, false);
      return TFrameStep::Skipped;
    }
    decoder::GetOutputInfo(*decoder_, info);
    // Another layer at the same rate and channel count changes only the samples per frame.
    if (info.Channels != output_info_.Channels || info.SampleRate != output_info_.SampleRate) {
      format_changed_ = true;
    }
    output_info_ = info;
  }
  if (!reader_.Request(current_frame_length_)) {
    EndTruncate();
    return TFrameStep::Skipped;
  }
  if (format_changed_) {
    format_changed_ = false;
    return TFrameStep::NewFormat;
  }
  return TFrameStep::Frame;
}

int TMPFrameSource::DecodeFrame(uint8_t* pcm) {
  decoder::MpegDecodeResult result{};
  decoder::DecodeFrame(*decoder_, result, reader_.Data(),
                       static_cast<size_t>(current_frame_length_), pcm);
  reader_.Skip(current_frame_length_);
  current_frame_length_ = 0;
  last_status_ = result.Status;
  const int frame_bytes = output_info_.SamplesPerFrame * output_info_.BitsPerSample / 8;
  // A refused frame plays as one frame of silence; every frame yields frame_bytes before trimming.
  const int produced =
      result.BytesConsumed > 0 ? std::clamp(result.BytesProduced, 0, frame_bytes) : 0;
  std::memset(pcm + produced, 0, static_cast<size_t>(frame_bytes - produced));

  const int channels = std::max(output_info_.Channels, 1);
  const int sample_bytes = channels * output_info_.BitsPerSample / 8;
  const int32_t samples = frame_bytes / sample_bytes;
  const decoder::KeptSamples kept = decoder::KeepSamples(trim_, decoded_samples_, samples);
  decoded_samples_ += samples;
  if (kept.First > 0) {
    std::memmove(pcm, pcm + kept.First * sample_bytes,
                 static_cast<size_t>(kept.Count * sample_bytes));
  }
  return kept.Count * sample_bytes;
}

// A stream that cannot seek may break off and go on elsewhere (a reconnection): the frame across
// the break is dropped, and the decoder starts afresh at it, without the bit reservoir of the
// audio before, so that nothing of the two is mixed into noise.
bool TMPFrameSource::CrossesBreak(int32_t length) {
  const int64_t at = reader_.Position();
  const int64_t next = reader_.Stream()->NextBreak(std::max(at, passed_break_ + 1));
  if (next < 0 || next >= at + length) return false;
  passed_break_ = next;
  walker_ = {};
  reinit_ = true;
  if (next > at) reader_.Skip(next - at);
  return true;
}

void TMPFrameSource::Rewind() { SeekTo(audio_start_, 0); }

void TMPFrameSource::SeekTo(int64_t byteOffset, int64_t samplePosition) {
  if (reader_.Seekable()) reader_.Seek(byteOffset, SeekOrigin::Beginning);
  current_frame_length_ = 0;
  walker_ = {};
  decoded_samples_ = samplePosition;
  reinit_ = true;
}

// The audio data ends at the current position: the next step plays out what is buffered.
void TMPFrameSource::EndTruncate() { audio_length_ = reader_.Position() - audio_start_; }

}  // namespace yumekaze::engine
