// The player's message window procedure and the hand-over of errors from its threads: what the
// worker and the sound output's thread report arrives here, on the user-interface thread.
#include <cstdio>
#include <exception>
#include <memory>
#include <stdexcept>
#include <utility>

#include "engine/player/mp3_player.h"
#include "engine/sound/sound_out.h"
#include "engine/stream/stream_reader.h"

namespace yumekaze::engine {

void TMP3Player::WindowProcedure(TMPMessage& message) {
  if (message.Msg < WM_USER || message.Msg > kLastPlayerMessage) return;
  switch (message.Msg) {
    case MPM_POSITION:
      HandlePosition();
      break;
    case MPM_ERROR:
      HandleError(message);
      break;
    case MPM_ENDOFSTREAM:
      HandleEndOfStream(message);
      break;
    case MPM_STATUS:
      HandleStatus();
      break;
    case MPM_ENDPLAY:
      HandleEndPlay();
      break;
    case MPM_EQUALIZER:
      HandleEqualizer();
      break;
    case MPM_OPENED:
      HandleOpened(message);
      break;
    case MPM_SEEKINDEX:
      HandleSeekIndex(message);
      break;
    case MPM_ENDOFDATA:
      HandleEndOfData(message);
      break;
    case MPM_VOLUME:
      HandleVolume();
      break;
    case MPM_STREAMINFO:
      HandleStreamInfo();
      break;
    default:
      break;
  }
}

void TMP3Player::Dispatch(TMPMessage& message) {
  if (message.Msg == MPM_WORK) DecodeStep();
}

void TMP3Player::HandlePosition() {
  window_.RemovePending(MPM_POSITION);
  DoChangePosition();
}

void TMP3Player::HandleStreamInfo() {
  window_.RemovePending(MPM_STREAMINFO);
  if (!live_) return;
  {
    std::lock_guard output(output_lock_);
    sound_->SetMediaInfo(SongTitle(), Artist());
  }
  if (on_stream_info_ && !destroying_) on_stream_info_(*this);
}

void TMP3Player::HandleStatus() {
  window_.RemovePending(MPM_STATUS);
  DoChangeStatus();
}

void TMP3Player::HandleEndPlay() {
  window_.RemovePending(MPM_ENDPLAY);
  DoEndPlay();
}

// The device's volume, as the mixer left it, becomes the player's.
void TMP3Player::HandleVolume() {
  window_.RemovePending(MPM_VOLUME);
  {
    std::lock_guard output(output_lock_);
    const int volume = sound_->FollowDeviceVolume();
    if (volume == volume_) return;
    volume_ = volume;
  }
  if (on_volume_change_ && !destroying_) on_volume_change_(*this);
}

// wParam: the playback the worker drained (an end of stream overtaken by Stop and Play is stale).
void TMP3Player::HandleEndOfStream(const TMPMessage& message) {
  {
    std::lock_guard decode(decode_lock_);
    if (message.WParam != play_generation_) return;
  }
  end_reason_ = meprEndOfStream;
  if (file_->Reader.Seekable()) {
    Stop();
  } else {
    Close();
  }
}

// lParam: the outcome of an OpenFileAsync (the message owns it).
void TMP3Player::HandleOpened(TMPMessage& message) {
  std::unique_ptr<TMPOpenOutcome> outcome(reinterpret_cast<TMPOpenOutcome*>(message.LParam));
  if (TakeNextFile(outcome) || !outcome || outcome->Request != open_request_) return;
  std::exception_ptr error = outcome->Error;
  if (!error) {
    try {
      TakeOpenedFile(std::move(outcome->Stream), std::move(outcome->File));
      file_name_ = outcome->Name;
    } catch (...) {
      error = std::current_exception();
    }
  }
  if (error) {
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& failure) {
      if (on_opened_) on_opened_(*this, outcome->Name, &failure);
    }
    return;
  }
  if (on_opened_) on_opened_(*this, outcome->Name, nullptr);
  if (auto_play_ && Opened()) Play();
}

// wParam: the serial number of the failing thread's wait; lParam: the error (an
// std::exception_ptr the message owns).
void TMP3Player::HandleError(TMPMessage& message) {
  std::unique_ptr<std::exception_ptr> error(reinterpret_cast<std::exception_ptr*>(message.LParam));
  {
    // The failing thread goes on once the error has been shown, also when showing it throws.
    struct ReleaseOnExit {
      TMP3Player& player;
      std::uintptr_t serial;
      ~ReleaseOnExit() { player.ReleaseRelayedError(serial); }
    } release{*this, message.WParam};
    // Going away: the failing thread is let go, and nothing is shown or stopped any more.
    if (destroying_) return;
    if (error && *error) ShowException(*error);
  }
  end_reason_ = meprError;
  Stop();
}

void TMP3Player::ShowException(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& shown) {
    if (on_show_exception_) {
      on_show_exception_(*this, shown);
    } else {
      std::fprintf(stderr, "%s\n", shown.what());
    }
  }
}

// wParam: the request; lParam: the TMPSeekIndexResult (the message owns it).
void TMP3Player::HandleSeekIndex(const TMPMessage& message) {
  std::unique_ptr<TMPSeekIndexResult> result(reinterpret_cast<TMPSeekIndexResult*>(message.LParam));
  if (message.WParam != index_request_) return;  // for a file that is no longer open
  index_request_ = 0;
  const int64_t target = std::exchange(seek_target_, -1);
  if (!result->Error) {
    seek_index_ = std::move(result->Index);
    if (target >= 0) Seek(target);
  } else if (target >= 0) {
    ShowException(result->Error);
    end_reason_ = meprError;
    Stop();
  }
}

// Runs on the thread where the error happened: posts it to the window and waits until the
// user-interface thread has shown it, so that a failing step does not repeat meanwhile.
void TMP3Player::RelayException(const std::exception& error) {
  std::exception_ptr current = std::current_exception();
  if (!current) current = std::make_exception_ptr(std::runtime_error(error.what()));
  auto carried = std::make_unique<std::exception_ptr>(std::move(current));
  TMPSimpleEvent shown;
  std::uintptr_t serial = 0;
  {
    std::lock_guard lock(relay_mutex_);
    serial = ++relay_serial_;
    relay_waiting_.push_back({serial, &shown});
  }
  if (window_.Post(MPM_ERROR, serial, reinterpret_cast<std::intptr_t>(carried.get()))) {
    carried.release();
    shown.WaitFor(kInfinite);
  }
  std::lock_guard lock(relay_mutex_);
  std::erase_if(relay_waiting_, [serial](const TRelayWait& wait) { return wait.Serial == serial; });
}

void TMP3Player::ReleaseRelayedError(std::uintptr_t serial) {
  std::lock_guard lock(relay_mutex_);
  for (const TRelayWait& wait : relay_waiting_) {
    if (wait.Serial == serial) wait.Shown->SetEvent();
  }
}

// Lets every thread waiting in RelayException go on; their errors are still shown when their
// messages are handled.
void TMP3Player::ReleaseRelayedErrors() {
  std::lock_guard lock(relay_mutex_);
  for (const TRelayWait& wait : relay_waiting_) wait.Shown->SetEvent();
}

}  // namespace yumekaze::engine
