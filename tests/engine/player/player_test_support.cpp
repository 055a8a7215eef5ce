#include "player_test_support.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

#include "decoder/decoder_state.h"
#include "decoder/frame_scan.h"
#include "platform/audio/null_wave_device.h"
#include "platform/audio/wav_file_wave_device.h"

namespace yumekaze::engine::test {

namespace fs = std::filesystem;

Bytes ReadFileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "yumekaze-player-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

void WriteTestWav(const fs::path& path, int sampleRate, int channels, double seconds) {
  const auto frames = static_cast<uint32_t>(sampleRate * seconds);
  const uint32_t data_bytes = frames * static_cast<uint32_t>(channels) * 2;
  Bytes wav;
  wav.reserve(44 + data_bytes);
  const auto put32 = [&wav](uint32_t v) {
    for (int i = 0; i < 4; ++i) wav.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  const auto put16 = [&wav](uint32_t v) {
    wav.push_back(static_cast<uint8_t>(v));
    wav.push_back(static_cast<uint8_t>(v >> 8));
  };
  const auto tag = [&wav](const char* t) {
    for (int i = 0; i < 4; ++i) wav.push_back(static_cast<uint8_t>(t[i]));
  };
  tag("RIFF");
  put32(36 + data_bytes);
  tag("WAVE");
  tag("fmt ");
  put32(16);
  put16(1);
  put16(static_cast<uint32_t>(channels));
  put32(static_cast<uint32_t>(sampleRate));
  put32(static_cast<uint32_t>(sampleRate * channels * 2));
  put16(static_cast<uint32_t>(channels * 2));
  put16(16);
  tag("data");
  put32(data_bytes);
  uint32_t noise = 12345;
  double phase = 0;
  for (uint32_t i = 0; i < frames; ++i) {
    // A sweep from 100 Hz to 15 kHz, repeated every second.
    const double t = static_cast<double>(i % static_cast<uint32_t>(sampleRate)) / sampleRate;
    phase += 2 * M_PI * (100 + 14900 * t) / sampleRate;
    for (int c = 0; c < channels; ++c) {
      noise = noise * 1103515245 + 12345;
      const double sample =
          12000 * std::sin(phase + c) + static_cast<int>((noise >> 16) % 2001) - 1000;
      put16(static_cast<uint32_t>(static_cast<int16_t>(sample)));
    }
  }
  WriteFileBytes(path, wav);
}

bool RunCommand(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

const TestStreams& Streams() {
  static TempDir dir;
  static const TestStreams streams = [] {
    TestStreams made;
    const fs::path wav44 = dir / "tone44.wav";
    const fs::path wav48 = dir / "tone48.wav";
    const fs::path wav_short = dir / "short44.wav";
    const fs::path wav_mono = dir / "mono44.wav";
    WriteTestWav(wav44, 44100, 2, 4.0);
    WriteTestWav(wav48, 48000, 2, 1.0);
    WriteTestWav(wav_short, 44100, 2, 0.7);
    WriteTestWav(wav_mono, 44100, 1, 2.0);
    const auto make = [](const std::string& command, const fs::path& out) {
      return RunCommand(command) && fs::exists(out) ? out : fs::path();
    };
    made.layer2 =
        make("twolame -b 192 " + wav44.string() + " " + (dir / "l2.mp2").string(), dir / "l2.mp2");
    made.layer2_48 = make("twolame -b 192 " + wav48.string() + " " + (dir / "l2_48.mp2").string(),
                          dir / "l2_48.mp2");
    made.layer2_short =
        make("twolame -b 192 " + wav_short.string() + " " + (dir / "l2_short.mp2").string(),
             dir / "l2_short.mp2");
    made.layer2_128 =
        make("twolame -b 128 " + wav_short.string() + " " + (dir / "l2_128.mp2").string(),
             dir / "l2_128.mp2");
    made.layer2_free = make("twolame --freeformat -b 100 -m m " + wav_mono.string() + " " +
                                (dir / "l2_free.mp2").string(),
                            dir / "l2_free.mp2");
    made.layer3 =
        make("lame --quiet --noreplaygain -V 4 " + wav44.string() + " " + (dir / "l3.mp3").string(),
             dir / "l3.mp3");
    return made;
  }();
  return streams;
}

namespace {

// The frame length with padding at bytes, or 0; freeLength serves free-format headers.
size_t FrameLengthAt(const uint8_t* bytes, int32_t freeLength) {
  decoder::MpegFrameHeader header{};
  int32_t length = decoder::DecodeFrameHeader(bytes, 0, header);
  if (length == 0 && header.SyncKind != 0 && header.BitrateIndex == 0) length = freeLength;
  if (length <= 0) return 0;
  return static_cast<size_t>(length + (header.Layer == 3 ? 4 : 1) * header.Padding);
}

bool IsVbrHeaderFrame(const uint8_t* frame, size_t length) {
  for (const size_t at : {13u, 15u, 21u, 23u, 36u, 38u}) {
    if (at + 4 > length) continue;
    for (const char* tag : {"Xing", "Info", "VBRI"}) {
      if (std::memcmp(frame + at, tag, 4) == 0) return true;
    }
  }
  return false;
}

}  // namespace

std::vector<FrameSpan> SplitFrames(const Bytes& stream) {
  std::vector<FrameSpan> frames;
  decoder::MpegFrameHeader header{};
  int32_t bitrate = 0;
  uint32_t offset = 0;
  const int32_t first = decoder::FindFrameHeader(
      stream.data(), static_cast<uint32_t>(std::min<size_t>(stream.size(), 16384)), header, bitrate,
      offset);
  if (first <= 0) return frames;
  const int32_t free_length = header.BitrateIndex == 0 ? first : 0;
  size_t pos = offset;
  while (pos + 4 <= stream.size()) {
    const size_t length = FrameLengthAt(stream.data() + pos, free_length);
    if (length == 0 || pos + length > stream.size()) break;
    frames.push_back({pos, length});
    pos += length;
  }
  return frames;
}

Bytes ReferencePcm(const Bytes& stream) {
  std::vector<FrameSpan> frames = SplitFrames(stream);
  if (!frames.empty() && IsVbrHeaderFrame(stream.data() + frames[0].offset, frames[0].length)) {
    frames.erase(frames.begin());
  }
  Bytes pcm;
  if (frames.empty()) return pcm;
  auto state = std::make_unique<decoder::DecoderState>();
  // The forms the player chooses by default: every extension the processor has.
  decoder::SelectCpuVariants(*state, decoder::GetCpuCapabilities());
  const uint8_t* first = stream.data() + frames[0].offset;
  decoder::MpegFrameHeader header{};
  decoder::DecodeFrameHeader(first, 0, header);
  const int32_t padding = (header.Layer == 3 ? 4 : 1) * header.Padding;
  if (decoder::InitDecoder(*state, header, static_cast<int32_t>(frames[0].length) - padding, 0, 0,
                           decoder::kOptionFullBand, 24000) == 0) {
    return pcm;
  }
  decoder::MpegOutputInfo info{};
  decoder::GetOutputInfo(*state, info);
  const size_t frame_bytes = static_cast<size_t>(info.SamplesPerFrame * info.BitsPerSample / 8);
  uint8_t out[5120];
  for (const FrameSpan& frame : frames) {
    decoder::MpegDecodeResult result{};
    decoder::DecodeFrame(*state, result, stream.data() + frame.offset, frame.length, out);
    if (result.BytesConsumed <= 0) {
      if (&frame == &frames[0]) return {};
      std::memset(out, 0, frame_bytes);
    }
    pcm.insert(pcm.end(), out, out + frame_bytes);
  }
  // The player cuts the encoder delay and padding a LAME tag records (the CLI tests check the
  // cut against mpg123).
  const decoder::StreamScan scan = decoder::ScanStream(stream.data(), stream.size(), nullptr);
  const size_t sample_bytes = static_cast<size_t>(info.Channels) * 2;
  const decoder::KeptSamples kept =
      decoder::KeepSamples(scan.Trim, 0, static_cast<int32_t>(pcm.size() / sample_bytes));
  return Bytes(pcm.begin() + static_cast<long>(kept.First * sample_bytes),
               pcm.begin() + static_cast<long>((kept.First + kept.Count) * sample_bytes));
}

Bytes WavSamples(const fs::path& path) {
  const Bytes wav = ReadFileBytes(path);
  if (wav.size() < 44 || std::memcmp(wav.data(), "RIFF", 4) != 0 ||
      std::memcmp(wav.data() + 36, "data", 4) != 0) {
    return {};
  }
  return Bytes(wav.begin() + 44, wav.end());
}

FailingWaveDevice::FailingWaveDevice(int goodWrites, std::unique_ptr<TWaveDevice> inner)
    : inner_(inner ? std::move(inner) : std::make_unique<platform::TNullWaveDevice>(0.0)),
      good_writes_(goodWrites) {}
FailingWaveDevice::~FailingWaveDevice() = default;

int FailingWaveDevice::Open(const TWaveFormat& format, TMPMessagePoster& notify) {
  return inner_->Open(format, notify);
}
int FailingWaveDevice::Close() { return inner_->Close(); }
int FailingWaveDevice::Prepare(TWaveHeader& header) { return inner_->Prepare(header); }
int FailingWaveDevice::Unprepare(TWaveHeader& header) { return inner_->Unprepare(header); }
int FailingWaveDevice::Write(TWaveHeader& header) {
  if (good_writes_ <= 0) return kFailure;
  --good_writes_;
  ++writes_;
  return inner_->Write(header);
}
int FailingWaveDevice::Pause() { return inner_->Pause(); }
int FailingWaveDevice::Restart() { return inner_->Restart(); }
int FailingWaveDevice::Reset() {
  if (OnReset) OnReset();
  return inner_->Reset();
}
int FailingWaveDevice::GetVolume(uint32_t& volume) { return inner_->GetVolume(volume); }
int FailingWaveDevice::SetVolume(uint32_t volume) { return inner_->SetVolume(volume); }
std::string FailingWaveDevice::ErrorText(int code) const {
  return code == kFailure ? "the test device failed" : inner_->ErrorText(code);
}

RecordingPlayer::RecordingPlayer(const fs::path& wav, double speed)
    : player_(std::make_unique<TMP3Player>(
          std::make_unique<platform::TWavFileWaveDevice>(wav.string(), speed))) {
  Hook();
}

RecordingPlayer::RecordingPlayer(std::unique_ptr<TWaveDevice> device)
    : player_(std::make_unique<TMP3Player>(std::move(device))) {
  Hook();
}

void RecordingPlayer::Hook() {
  player_->SetAutoPlay(false);
  player_->SetOnChangeStatus([this](TMP3Player& sender) {
    events_.push_back("status:" + std::to_string(sender.Status()));
  });
  player_->SetOnChangePosition([this](TMP3Player&) { events_.push_back("position"); });
  player_->SetOnEndPlay([this](TMP3Player&, TMP3EndPlayReason reason) {
    events_.push_back("endplay:" + std::to_string(reason));
  });
  player_->SetOnShowException([this](TMP3Player&, const std::exception& error) {
    events_.push_back(std::string("error:") + error.what());
  });
}

int RecordingPlayer::EndPlayCount(TMP3EndPlayReason reason) const {
  const std::string wanted = "endplay:" + std::to_string(reason);
  return static_cast<int>(std::count(events_.begin(), events_.end(), wanted));
}

bool RecordingPlayer::PumpUntil(const std::function<bool()>& done, double seconds) {
  const auto limit = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > limit) return false;
    player_->Window().WaitForMessages(20);
    player_->Window().ProcessPending();
  }
  return true;
}

bool RecordingPlayer::PlayToEnd() {
  const int ended_before = EndPlayCount(meprEndOfStream) + EndPlayCount(meprError);
  player_->Play();
  return PumpUntil(
      [&] { return EndPlayCount(meprEndOfStream) + EndPlayCount(meprError) > ended_before; });
}

}  // namespace yumekaze::engine::test
