// The decode loop: the worker's step while its work event is set. One step moves at most one
// frame from the reader through the decoder into the sound output, so that Stop, which resets the
// event under the decode lock, takes effect within one frame.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "engine/player/mp3_player.h"
#include "engine/sound/sound_out.h"
#include "engine/stream/mp_assert.h"
#include "engine/stream/stream.h"
#include "engine/stream/stream_reader.h"

namespace yumekaze::engine {
namespace {

// How long the worker waits at most for a file that is read ahead before it looks again.
constexpr std::chrono::milliseconds kInputWait{500};

}  // namespace

void TMP3Player::DecodeStep() {
  try {
    DecodeStepReading();
  } catch (const TMPReadPending& pending) {
    // The file has not been read this far: wait for it without the decode lock.
    pending.WaitForData(kInputWait);
  }
}

void TMP3Player::DecodeStepReading() {
  int free_percent = 0;
  bool at_end = false;
  bool new_format = false;
  uint64_t generation = 0;
  {
    std::lock_guard decode(decode_lock_);
    // Stop may have reset the event between the worker's wake-up and here.
    if (!worker_->Event().IsSignalled()) return;
    if (pcm_pending_ == 0) {
      if (file_->Source.AtEndOfData() && next_wanted_) {
        // The next file follows on the open device: the user-interface thread switches to it
        // and sets the event again.
        worker_->Event().ResetEvent();
        window_.Post(MPM_ENDOFDATA, static_cast<std::uintptr_t>(play_generation_));
        return;
      }
      if (file_->Source.AtEndOfData()) {
        at_end = true;
        generation = play_generation_;
        std::lock_guard output(output_lock_);
        sound_->SetWaiter(nullptr);
        sound_->Flush();
      } else {
        const TFrameStep step = file_->Source.FindFrame();
        if (step == TFrameStep::Skipped) return;
        if (step == TFrameStep::NewFormat) {
          new_format = true;
          generation = play_generation_;
          std::lock_guard output(output_lock_);
          sound_->SetWaiter(nullptr);
          sound_->Flush();
        } else {
          // A frame the gapless trim takes whole gives nothing to play.
          pcm_pending_ = file_->Source.DecodeFrame(pcm_.get());
          DropBeforeSeekTarget();
          if (pcm_pending_ == 0) return;
        }
      }
    }
    if (!at_end && !new_format) {
      MPAssert(pcm_pending_ >= 1);
      std::lock_guard output(output_lock_);
      // A device that could not be opened ends playback here, through the worker's error.
      sound_->CompleteOpen();
      if (sound_->CanWrite()) {
        const auto taken =
            static_cast<int>(sound_->Write({pcm_.get(), static_cast<size_t>(pcm_pending_)}));
        pcm_pending_ -= taken;
        written_bytes_ += taken;
        std::memmove(pcm_.get(), pcm_.get() + taken, static_cast<size_t>(pcm_pending_));
      } else {
        // Sleep until the sound output has room; it sets the event at once if it has now.
        worker_->Event().ResetEvent();
        sound_->SetWaiter(&worker_->Event());
      }
      free_percent = sound_->FreePercent();
    }
  }
  if (at_end) {
    DrainOutput(generation);
    return;
  }
  if (new_format) {
    ReopenOutput(generation);
    return;
  }
  // While all four output buffers are full, fill the input ring instead of idling.
  while (free_percent == 0) {
    {
      std::lock_guard decode(decode_lock_);
      if (!file_->Reader.Opened() || !file_->Reader.ReadAhead()) break;
    }
    std::lock_guard output(output_lock_);
    free_percent = sound_->FreePercent();
  }
  if (free_percent <= 25) std::this_thread::yield();
}

// After a seek, decoding starts some frames before the target; their PCM is dropped here.
void TMP3Player::DropBeforeSeekTarget() {
  if (drop_bytes_ <= 0 || pcm_pending_ <= 0) return;
  const int dropped = std::min(drop_bytes_, pcm_pending_);
  std::memmove(pcm_.get(), pcm_.get() + dropped, static_cast<size_t>(pcm_pending_ - dropped));
  pcm_pending_ -= dropped;
  drop_bytes_ -= dropped;
}

// Waits until the queued audio has played, then reports the end of the stream. The wait holds
// no lock, so Pause, Resume and Stop stay usable meanwhile (a paused device plays out after
// Resume); a Stop during the wait resets the device, which ends the wait, and nothing is
// reported for the playback it ended.
void TMP3Player::DrainOutput(uint64_t generation) {
  sound_->WaitAllDone();
  std::lock_guard decode(decode_lock_);
  if (generation != play_generation_ || !worker_->Event().IsSignalled()) return;
  worker_->Event().ResetEvent();
  window_.Post(MPM_ENDOFSTREAM, static_cast<std::uintptr_t>(generation));
}

// The stream changes its sampling rate or channel count: what was queued plays out in the old
// format, then the device opens again in the new one. The found frame is decoded next step.
void TMP3Player::ReopenOutput(uint64_t generation) {
  sound_->WaitAllDone();
  std::lock_guard decode(decode_lock_);
  if (generation != play_generation_ || !worker_->Event().IsSignalled()) return;
  const decoder::MpegOutputInfo& format = file_->Source.OutputInfo();
  std::lock_guard output(output_lock_);
  sound_->Close();
  sound_->SetSampleRate(format.SampleRate);
  sound_->SetBitsPerSample(format.BitsPerSample);
  sound_->SetChannels(format.Channels);
  sound_->BeginOpen();
  sample_rate_ = format.SampleRate;
  channels_ = format.Channels;
  frame_bytes_ = format.SamplesPerFrame * format.BitsPerSample / 8;
}

}  // namespace yumekaze::engine
