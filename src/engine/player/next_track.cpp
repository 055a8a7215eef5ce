// Gapless track changes: the file that follows is opened and checked ahead (SetNextFile); when the
// worker has decoded the playing file to its end, the user-interface thread puts the opened file in
// its place and the worker goes on writing into the same open sound output, whose buffers still
// hold up to two seconds of the previous file.
#include "engine/player/mp3_player.h"
#include "engine/sound/sound_out.h"

namespace yumekaze::engine {

void TMP3Player::SetNextFile(const std::string& name) {
  ForgetNextFile();
  // A station is not connected to ahead (it would buffer minutes of stale audio): it opens when
  // the playing file has ended, as any entry that cannot follow without a gap.
  if (name.empty() || IsStreamUrl(name)) return;
  next_request_ = opener_.Start(name);
  next_wanted_ = true;
}

void TMP3Player::ForgetNextFile() {
  next_wanted_ = false;
  next_.reset();
  next_request_ = 0;
  // A worker waiting at the end of the data plays out now.
  if (end_of_data_) {
    end_of_data_ = false;
    if (status_ != kStatusStopped) worker_->Event().SetEvent();
  }
}

// Keeps the outcome of the SetNextFile that counts when it can follow the open file on the same
// device; true when the outcome was such a request (kept or dropped).
bool TMP3Player::TakeNextFile(std::unique_ptr<TMPOpenOutcome>& outcome) {
  if (!outcome || next_request_ == 0 || outcome->Request != next_request_) return false;
  next_request_ = 0;
  if (outcome->File && Opened() && outcome->File->Source.OutputInfo().SampleRate == sample_rate_ &&
      outcome->File->Source.OutputInfo().Channels == channels_) {
    next_ = std::move(outcome);
  } else {
    next_wanted_ = false;
  }
  ContinueAtEndOfData();
  return true;
}

// wParam: the playback whose file the worker decoded to its end.
void TMP3Player::HandleEndOfData(const TMPMessage& message) {
  {
    std::lock_guard decode(decode_lock_);
    if (message.WParam != play_generation_ || status_ == kStatusStopped) return;
  }
  end_of_data_ = true;
  ContinueAtEndOfData();
}

// At the end of the data: switches to the next file once it is checked, or lets the worker play
// out when there is none.
void TMP3Player::ContinueAtEndOfData() {
  if (!end_of_data_ || next_request_ != 0) return;  // nothing to do yet
  end_of_data_ = false;
  std::unique_ptr<TMPOpenOutcome> next = std::move(next_);
  ForgetNextFile();
  if (next) {
    SwitchToNextFile(std::move(next));
  } else if (status_ != kStatusStopped) {
    worker_->Event().SetEvent();  // no next file: the worker plays out
  }
}

void TMP3Player::SwitchToNextFile(std::unique_ptr<TMPOpenOutcome> next) {
  {
    std::lock_guard decode(decode_lock_);
    InstallFile(std::move(next->Stream), std::move(next->File));
    pcm_pending_ = 0;
    drop_bytes_ = 0;
    // Same rate and channels, but the layer (and so the frame's samples) may differ.
    const decoder::MpegOutputInfo& output = file_->Source.OutputInfo();
    frame_bytes_ = output.SamplesPerFrame * output.BitsPerSample / 8;
    track_start_ = written_bytes_.load();
    position_base_ = 0;
  }
  ForgetSeekIndex();
  file_name_ = next->Name;
  {
    // The device goes on with the same stream: what it shows of the song changes here.
    std::lock_guard output(output_lock_);
    sound_->SetMediaInfo(SongTitle(), Artist());
  }
  ApplyEqualizer();
  PostUnlessPending(MPM_EQUALIZER);
  // The handler comes first, so that a file it sets next is known before the worker can reach
  // the end of a short one.
  if (on_next_track_ && !destroying_) on_next_track_(*this);
  if (status_ != kStatusStopped) worker_->Event().SetEvent();
}

}  // namespace yumekaze::engine
