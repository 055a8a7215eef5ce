// Types and message numbers the player shares with its front ends.
#pragma once

#include <cstdint>
#include <stdexcept>

#include "engine/threads/thread_messages.h"

namespace yumekaze::engine {

// Why playback ended; the play list advances only on meprEndOfStream.
enum TMP3EndPlayReason : uint8_t {
  meprEndOfStream = 0,  // the end of the audio data was reached and played out
  meprStopped = 1,      // Stop, Open, Close or FileName ended it
  meprError = 2,        // an error on the worker or the sound output's thread ended it
};

// Which of the decoder's gain sets the equalizer fills.
enum TMP3EqualizerMode : uint8_t {
  memSubBand = 0,  // 32 gains, one per synthesis subband, all layers
  memFreq = 1,     // EqualizerCount bands at chosen frequencies (Layer III: per spectral line)
};

// Which ReplayGain the player applies: the track's, the album's (the track's when the file has
// no album gain) or none.
enum TMP3ReplayGainMode : uint8_t { rgmOff = 0, rgmTrack = 1, rgmAlbum = 2 };

// The ReplayGain the open file plays at, and where it came from.
struct TMP3AppliedGain {
  enum TSource : uint8_t {
    agNone,     // ReplayGain is off, or nothing is open
    agTrack,    // the file's track gain
    agAlbum,    // the file's album gain
    agDefault,  // the file stores no gain: the gain set for such files
  };
  TSource Source = agNone;
  double Decibels = 0.0;  // after the pre-amp and any hold-back for the peak
  bool Limited = false;   // held back so that the loudest sample stays within full scale
};

// Instruction-set extensions the decoder may use; TMP3CpuCapabilities holds 1 << each. mccSSE2
// and mccAVX2 (AVX2 with FMA) select the vector forms of the inner loops.
enum TMP3CpuCapability : uint8_t { mccMMX, mcc3DNow, mccKNI, mccE3DNow, mccCMOV, mccSSE2, mccAVX2 };
using TMP3CpuCapabilities = uint8_t;
inline constexpr TMP3CpuCapabilities kAllCpuCapabilities = 0x7F;
constexpr TMP3CpuCapabilities CpuCapabilityBit(TMP3CpuCapability capability) {
  return static_cast<TMP3CpuCapabilities>(1u << capability);
}

// TMP3Player::Status().
inline constexpr uint8_t kStatusStopped = 0;
inline constexpr uint8_t kStatusPlaying = 1;
inline constexpr uint8_t kStatusPaused = 2;

// TMP3Player::Capabilities() bits.
inline constexpr uint8_t kCapAlways = 0x01;
inline constexpr uint8_t kCapOpened = 0x02;
inline constexpr uint8_t kCapCanPlay = 0x04;    // opened and stopped
inline constexpr uint8_t kCapCanStop = 0x08;    // playing or paused
inline constexpr uint8_t kCapCanPause = 0x10;   // playing
inline constexpr uint8_t kCapCanResume = 0x20;  // paused
inline constexpr uint8_t kCapCanSeek = 0x40;    // seekable and playing or paused
inline constexpr uint8_t kCapStopped = 0x80;    // opened and stopped

// Messages of the player's window.
inline constexpr uint32_t MPM_POSITION = WM_USER + 10;     // a position tick
inline constexpr uint32_t MPM_ERROR = WM_USER + 11;        // wParam: event to set, lParam: error
inline constexpr uint32_t MPM_ENDOFSTREAM = WM_USER + 12;  // the last buffer has played
inline constexpr uint32_t MPM_STATUS = WM_USER + 14;       // Status changed
inline constexpr uint32_t MPM_ENDPLAY = WM_USER + 15;      // playback ended
inline constexpr uint32_t MPM_EQUALIZER = WM_USER + 16;    // recompute the equalizer tables
inline constexpr uint32_t MPM_OPENED = WM_USER + 17;       // lParam: a TMPOpenOutcome
inline constexpr uint32_t MPM_ENDOFDATA = WM_USER + 18;    // decoded; the next file may follow
inline constexpr uint32_t MPM_VOLUME = WM_USER + 19;       // the mixer changed the device's volume
inline constexpr uint32_t MPM_SEEKINDEX = WM_USER + 20;    // lParam: a TMPSeekIndexResult
inline constexpr uint32_t MPM_STREAMINFO = WM_USER + 21;   // a network stream's facts changed
// The window handles the numbers from WM_USER to here; others are ignored.
inline constexpr uint32_t kLastPlayerMessage = WM_USER + 39;

// A stream that is not MPEG audio, or whose first frame cannot be set up.
class TMPFormatError : public std::runtime_error {
 public:
  TMPFormatError() : std::runtime_error("unknown MPEG Audio format.") {}
};

}  // namespace yumekaze::engine
