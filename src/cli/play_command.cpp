// yumekaze-cli play: plays files in order through the player, with a one-line status on a
// terminal and single-key control (space, n, p, s, q, volume keys) when standard input is one.
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/command_line.h"
#include "cli/equalizer_option.h"
#include "cli/play_terminal.h"
#include "cli/player_commands.h"
#include "cli/shown_text.h"
#include "engine/lists/entry_expansion.h"
#include "engine/player/equalizer_presets.h"
#include "engine/player/mp3_player.h"
#include "engine/queue/play_queue.h"
#include "engine/sound/sound_out.h"
#include "engine/stream/http_stream.h"
#include "platform/audio/alsa_wave_device.h"
#include "platform/audio/null_wave_device.h"
#include "platform/audio/wave_device_factory.h"
#include "platform/text/legacy_charset.h"
#include "platform/text/tag_text.h"

namespace yumekaze::cli {
namespace {

constexpr const char* kUsage =
    "usage: yumekaze-cli play [--device auto|pulse[:SINK]|alsa[:NAME]|null|wav:PATH]\n"
    "                         [--volume 0-100] [--balance -100-100]\n"
    "                         [--replay-gain track|album|off] [--preamp DB] [--loop]\n"
    "                         [--eq flat|PRESET|G1,G2,...|list] [--eq-mode freq|subband]\n"
    "                         [--charset NAME] FILE|FOLDER|LIST|URL...\n";

constexpr const char* kHelp =
    "Plays MPEG audio files one after the other; a file with the same sampling rate and\n"
    "channels as the one before follows it without a gap on the open device. An http:// or\n"
    "https:// URL plays an internet radio station's MP3 stream (live: no seeking). A folder\n"
    "plays its MPEG audio files (.mp3, .mp2, .mp1, .mpga), also in its subfolders, in natural\n"
    "order (\"2\" before \"10\"). A play list (.m3u, .m3u8, .pls; a file, or a URL whose list\n"
    "gives stations) plays its entries: paths relative to the list's folder, absolute paths,\n"
    "file:// URIs and station URLs; entries that name no file are left out (a plain .m3u that\n"
    "is not UTF-8 is read like tag text, see --charset). A station shows the name the list\n"
    "gives it until it sends its own.\n"
    "\n"
    "  --device NAME   auto (the default: the sound server when one answers, else ALSA's\n"
    "                  default device, else no sound), pulse (the sound server's default\n"
    "                  sink), pulse:SINK (a sink of it), alsa or default (ALSA's default\n"
    "                  device), alsa:NAME (an ALSA device), null (no sound, real time),\n"
    "                  wav:PATH (records to a WAV file). When ALSA cannot open its device, the\n"
    "                  null device plays instead.\n"
    "  --volume N      volume in percent (default: the device's)\n"
    "  --balance N     -100 (left only) to 100 (right only), default 0\n"
    "  --replay-gain M track (the default), album or off: the loudness the tags store\n"
    "  --preamp DB     -20 to 20 dB added to that gain (never past the stored peak)\n"
    "  --loop          start again with the first file after the last\n";

// After the equalizer's lines.
constexpr const char* kHelpRest =
    "  --charset NAME  character set of tag text that is not UTF-8 (any iconv name, such as\n"
    "                  CP932 or CP1252); by default each text is read as Latin-1 or in\n"
    "                  the locale's legacy set (CP932 under Japanese), whichever it reads as\n"
    "  -h, --help      show this help\n"
    "\n"
    "Keys while playing (when standard input is a terminal):\n"
    "  space      pause and resume (play again when stopped)\n"
    "  n / p      next / previous file\n"
    "  Left/Right back / forward 5 s (forward past the end goes on with the next file)\n"
    "  Up / Down  volume up / down by 5 %\n"
    "  m          mute and unmute\n"
    "  s          stop\n"
    "  q          quit (Ctrl-C too)\n"
    "The status line shows the state, the file, its tags, the time played / the file's length\n"
    "and the volume; for a station its name, the current title, the time played and how full\n"
    "its buffer is while it fills.\n"
    "\n"
    "Exit status: 0 success, 1 a file that could not be played, 2 wrong usage,\n"
    "128 + the signal's number when a signal ended it (130 Ctrl-C, 143 SIGTERM,\n"
    "129 SIGHUP).\n";

// The shells' convention for a process a signal ended.
constexpr int kExitSignalBase = 128;

struct PlayArguments {
  std::string device = "auto";
  int volume = -1;  // the device's
  int balance = 0;
  engine::TMP3ReplayGainMode replay_gain = engine::rgmTrack;
  int preamp = 0;
  bool loop = false;
  EqualizerChoice equalizer;
  std::vector<std::string> files;
};

int UsageError(const std::string& message) {
  std::fprintf(stderr, "yumekaze-cli play: %s\n%s", ShownFileName(message).c_str(), kUsage);
  return kExitUsage;
}

bool ParseInt(std::string_view text, int low, int high, int& value) {
  int parsed = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (error != std::errc() || end != text.data() + text.size() || parsed < low || parsed > high) {
    return false;
  }
  value = parsed;
  return true;
}

// Returns -1 when the arguments are complete, else the exit status to end with.
int ParseArguments(std::span<char* const> args, PlayArguments& parsed) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    const auto value = [&]() -> const char* { return i + 1 < args.size() ? args[++i] : nullptr; };
    if (arg == "-h" || arg == "--help") {
      std::printf("%s\n%s%s%s", kUsage, kHelp, EqualizerHelp(18).c_str(), kHelpRest);
      return kExitSuccess;
    }
    if (arg == "--eq" || arg == "--eq-mode") {
      const char* text = value();
      if (text == nullptr ||
          TakeEqualizerOption(arg, text, parsed.equalizer) != EqualizerOption::kTaken) {
        return UsageError(arg == "--eq" ? "--eq takes flat, list, a preset or dB per band (-12 "
                                          "to 12) separated by commas"
                                        : "--eq-mode takes freq or subband");
      }
      if (parsed.equalizer.listAsked) {
        PrintEqualizerList(stdout);
        return kExitSuccess;
      }
    } else if (arg == "--loop") {
      parsed.loop = true;
    } else if (arg == "--device") {
      const char* name = value();
      if (name == nullptr) return UsageError("--device needs a device name");
      parsed.device = name;
    } else if (arg == "--charset") {
      const char* name = value();
      if (name == nullptr || !platform::IsKnownCharset(name)) {
        return UsageError("--charset needs the name of a character set iconv knows");
      }
      platform::SetLegacyCharset(name);
    } else if (arg == "--volume") {
      const char* text = value();
      if (text == nullptr || !ParseInt(text, 0, 100, parsed.volume)) {
        return UsageError("--volume needs a number from 0 to 100");
      }
    } else if (arg == "--balance") {
      const char* text = value();
      if (text == nullptr || !ParseInt(text, -100, 100, parsed.balance)) {
        return UsageError("--balance needs a number from -100 to 100");
      }
    } else if (arg == "--replay-gain") {
      const char* text = value();
      const std::string_view mode = text == nullptr ? "" : text;
      if (mode == "track") {
        parsed.replay_gain = engine::rgmTrack;
      } else if (mode == "album") {
        parsed.replay_gain = engine::rgmAlbum;
      } else if (mode == "off") {
        parsed.replay_gain = engine::rgmOff;
      } else {
        return UsageError("--replay-gain takes track, album or off");
      }
    } else if (arg == "--preamp") {
      const char* text = value();
      if (text == nullptr || !ParseInt(text, -20, 20, parsed.preamp)) {
        return UsageError("--preamp needs a number of dB from -20 to 20");
      }
    } else if (arg.size() > 1 && arg[0] == '-') {
      return UsageError("unknown option '" + std::string(arg) + "'");
    } else {
      parsed.files.emplace_back(arg);
    }
  }
  if (parsed.files.empty()) return UsageError("no file given");
  return -1;
}

// The ALSA device a --device name asks for, or empty when it names another kind.
std::string AlsaNameOf(std::string_view device) {
  if (device == "default" || device == "alsa") return "default";
  if (device.starts_with("alsa:")) return std::string(device.substr(5));
  return {};
}

// Terminal columns a UTF-8 text takes, roughly: East Asian characters count two.
std::string FitColumns(const std::string& text, int columns) {
  int used = 0;
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    length = std::min(length, text.size() - i);
    const int width = lead >= 0xE1 ? 2 : 1;
    if (used + width > columns) break;
    used += width;
    i += length;
  }
  return text.substr(0, i);
}

class PlaySession {
 public:
  PlaySession(const PlayArguments& args, const engine::TMPExpandedEntries& entries,
              std::unique_ptr<engine::TWaveDevice> device, bool alsa)
      : args_(args),
        entries_(entries),
        player_(std::move(device)),
        on_alsa_(alsa),
        status_on_terminal_(isatty(STDOUT_FILENO) != 0) {
    player_.SetAutoPlay(false);
    queue_.Assign(entries.Entries);
    queue_.SetRepeat(args.loop ? engine::TMPRepeatMode::All : engine::TMPRepeatMode::Off);
    // As in the window: one tick per report of the sound server's device, which reports once a
    // second; the status line shows whole seconds.
    player_.SetChangePosStep(600);
    if (args.volume >= 0) player_.SetVolume(args.volume);
    player_.SetVolBalance(args.balance);
    player_.SetReplayGainMode(args.replay_gain);
    player_.SetReplayGainPreamp(args.preamp);
    player_.SetOnChangeStatus([this](engine::TMP3Player&) { ShowStatus(true); });
    player_.SetOnChangePosition([this](engine::TMP3Player&) { ShowStatus(false); });
    player_.SetOnEndPlay([this](engine::TMP3Player&, engine::TMP3EndPlayReason reason) {
      // The end of a playback whose device could not be opened is PlayAndAwaitDevice's.
      if (awaiting_device_ && !device_error_.empty()) return;
      ended_ = reason;
    });
    player_.SetOnNextTrack([this](engine::TMP3Player&) {
      queue_.AdvanceAfterEnd();
      ShowStatus(true);
      QueueNext();
    });
    player_.SetOnOpened(
        [this](engine::TMP3Player&, const std::string& name, const std::exception* error) {
          if (error == nullptr) {
            play_opened_ = true;
            return;
          }
          Report(name, error->what());
          ended_ = engine::meprError;  // the list goes on
        });
    player_.SetOnStreamInfo([this](engine::TMP3Player& player) {
      const engine::TMPStreamFacts facts = player.StreamFacts();
      // A new title, a reconnection and the start and end of buffering get a line of their own.
      const bool buffering = facts.BufferingPercent < 100;
      const bool changed = facts.Title != shown_title_ ||
                           facts.Reconnecting != shown_reconnecting_ ||
                           buffering != shown_buffering_;
      shown_title_ = facts.Title;
      shown_reconnecting_ = facts.Reconnecting;
      shown_buffering_ = buffering;
      ShowStatus(changed);
    });
    player_.SetOnShowException([this](engine::TMP3Player&, const std::exception& error) {
      if (awaiting_device_ && dynamic_cast<const engine::TMPDeviceOpenError*>(&error) != nullptr) {
        device_error_ = error.what();
        return;
      }
      Report(current_path(), error.what());
    });
  }

  int Run() {
    for (const std::string& list : entries_.UnreadLists) Report(list, "cannot read the play list");
    for (const std::string& folder : entries_.EmptyFolders) {
      Report(folder, "no MPEG audio files in this folder");
    }
    if (queue_.Count() == 0) {
      std::fprintf(stderr, "yumekaze-cli play: nothing to play\n");
      return kExitFailure;
    }
    StartCurrent(+1);
    while (!quit_ && signals_.Caught() == 0) {
      // Also an end that came in while a start waited for its device.
      if (ended_) {
        AfterEndPlay();
        continue;
      }
      if (play_opened_) {
        play_opened_ = false;
        Play();
        continue;
      }
      pollfd fds[3] = {{player_.Window().NotifyFd(), POLLIN, 0},
                       {signals_.Fd(), POLLIN, 0},
                       {keys_.Active() ? STDIN_FILENO : -1, POLLIN, 0}};
      if (poll(fds, 3, -1) < 0 && errno != EINTR) break;
      if (fds[2].revents & POLLIN) ReadKey();
      if (fds[2].revents & (POLLHUP | POLLERR)) break;
      player_.Window().ProcessPending();
    }
    player_.Stop();
    player_.Window().ProcessPending();
    EndStatusLine();
    if (signals_.Caught() != 0) return kExitSignalBase + signals_.Caught();
    return failed_ ? kExitFailure : kExitSuccess;
  }

 private:
  const std::string& current_path() const { return queue_.PathAt(queue_.CurrentIndex()); }

  // Opens and plays the current entry, passing over files that fail in the given direction.
  void StartCurrent(int direction) {
    for (int tries = 0; tries < queue_.Count(); ++tries) {
      if (OpenAndPlay()) return;
      if (!(direction > 0 ? queue_.Next() : queue_.Previous())) break;
    }
    // Nothing (more) can be played.
    quit_ = true;
  }

  bool OpenAndPlay() {
    try {
      player_.SetFileName(current_path());
      if (args_.equalizer.gainsDb) {
        player_.SetEqualizer(engine::BandsFromGains(*args_.equalizer.gainsDb, args_.equalizer.mode,
                                                    player_.SampleRate()));
      }
    } catch (const std::exception& error) {
      Report(current_path(), error.what());
      return false;
    }
    // A station opens without waiting for the network; OnOpened goes on from there.
    if (engine::IsStreamUrl(current_path())) return true;
    std::string device_error;
    try {
      QueueNext();  // before Play: a short file may be decoded to its end at once
      device_error = PlayAndAwaitDevice();
      if (device_error.empty()) return true;
    } catch (const std::exception& error) {
      device_error = error.what();
    }
    if (!on_alsa_) {
      Report(current_path(), device_error.c_str());
      return false;
    }
    // ALSA opened at start but refuses this stream: go on without sound.
    EndStatusLine();
    std::fprintf(stderr, "yumekaze-cli play: %s: %s; playing on the null device\n",
                 ShownFileName(current_path()).c_str(), ShownFileName(device_error).c_str());
    on_alsa_ = false;
    player_.SetWaveDevice(std::make_unique<platform::TNullWaveDevice>());
    return OpenAndPlay();
  }

  // Plays the open file and waits until its device is open (a terminal program may block here).
  // Returns why the device could not be opened, empty when it plays; throws without a device.
  std::string PlayAndAwaitDevice() {
    player_.Play();
    awaiting_device_ = true;
    device_error_.clear();
    while (player_.Status() != engine::kStatusStopped && !player_.DeviceOpen() &&
           signals_.Caught() == 0) {
      player_.Window().WaitForMessages(kDeviceWaitMs);
      player_.Window().ProcessPending();
    }
    awaiting_device_ = false;
    if (device_error_.empty()) {
      for (const auto& [text, changed] : held_status_) PrintStatus(text, changed);
    }
    held_status_.clear();
    return device_error_;
  }

  // Lets the player follow the current file with the next entry without a gap.
  void QueueNext() {
    const int next = queue_.FollowingIndex();
    player_.SetNextFile(next >= 0 ? queue_.PathAt(next) : std::string());
  }

  void AfterEndPlay() {
    if (!ended_) return;
    const engine::TMP3EndPlayReason reason = *ended_;
    ended_.reset();
    if (reason == engine::meprStopped) return;
    if (reason == engine::meprError) failed_ = true;
    if (queue_.AdvanceAfterEnd() != engine::TMPAfterEnd::Play) {
      quit_ = true;
      return;
    }
    StartCurrent(+1);
  }

  void ReadKey() {
    char keys[64];
    const ssize_t count = read(STDIN_FILENO, keys, sizeof keys);
    if (count <= 0) return;
    std::string_view pressed(keys, static_cast<size_t>(count));
    while (!pressed.empty() && !quit_) {
      // Arrow keys come as ESC [ A..D (ESC O A..D in application mode).
      if (pressed.size() >= 3 && pressed[0] == '\033' && (pressed[1] == '[' || pressed[1] == 'O')) {
        if (pressed[2] == 'A') ChangeVolume(+kVolumeStep);
        if (pressed[2] == 'B') ChangeVolume(-kVolumeStep);
        if (pressed[2] == 'C') SeekBy(+kSeekStepMs);
        if (pressed[2] == 'D') SeekBy(-kSeekStepMs);
        pressed.remove_prefix(3);
        continue;
      }
      Command(pressed[0]);
      pressed.remove_prefix(1);
    }
  }

  void Command(char key) {
    switch (key) {
      case ' ':
        if (player_.Status() == engine::kStatusPlaying) {
          player_.Pause();
        } else if (player_.Status() == engine::kStatusPaused) {
          player_.Resume();
        } else if (player_.Opened()) {
          Play();
        } else {
          StartCurrent(+1);  // a station closes when it stops
        }
        break;
      case 'n':
        // Past the last entry of a list that does not loop, the list is done.
        if (queue_.Next()) {
          StartCurrent(+1);
        } else {
          quit_ = true;
        }
        break;
      case 'p':
        if (queue_.Previous()) StartCurrent(-1);
        break;
      case 's':
        player_.Stop();
        break;
      case 'q':
        quit_ = true;
        break;
      case 'm':
        ToggleMute();
        break;
      default:
        break;
    }
  }

  static constexpr int kVolumeStep = 5;
  // How often PlayAndAwaitDevice looks whether the device has opened (no message says so).
  static constexpr int kDeviceWaitMs = 10;
  static constexpr int64_t kSeekStepMs = 5000;

  void SeekBy(int64_t milliseconds) {
    player_.Seek(std::max<int64_t>(player_.PlayedMilliseconds() + milliseconds, 0));
    ShowStatus(false);
  }

  void ChangeVolume(int step) {
    const int from = muted_volume_ >= 0 ? muted_volume_ : player_.Volume();
    muted_volume_ = -1;
    player_.SetVolume(std::clamp(from + step, 0, 100));
    ShowStatus(false);
  }

  void ToggleMute() {
    if (muted_volume_ >= 0) {
      player_.SetVolume(muted_volume_);
      muted_volume_ = -1;
    } else {
      muted_volume_ = player_.Volume();
      player_.SetVolume(0);
    }
    ShowStatus(false);
  }

  void Play() {
    std::string device_error;
    try {
      device_error = PlayAndAwaitDevice();
    } catch (const std::exception& error) {
      device_error = error.what();
    }
    if (!device_error.empty()) Report(current_path(), device_error.c_str());
  }

  // M:SS, or -:-- when not known.
  static std::string MinutesAndSeconds(int64_t milliseconds) {
    if (milliseconds < 0) return "-:--";
    const int64_t seconds = milliseconds / 1000;
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60));
    return text;
  }

  static const char* StateWord(uint8_t status) {
    switch (status) {
      case engine::kStatusPlaying:
        return "PLAY";
      case engine::kStatusPaused:
        return "PAUSE";
      default:
        return "STOP";
    }
  }

  std::string StatusText() const {
    std::string text = StateWord(player_.Status());
    text.resize(6, ' ');
    if (player_.Live()) {
      text += StationText();
    } else {
      text += FileText();
    }
    text += muted_volume_ >= 0 ? "  muted" : "  vol " + std::to_string(player_.Volume()) + "%";
    for (char& c : text) {
      if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    }
    return text;
  }

  // The station, its current title and the time played (a live stream has no length).
  std::string StationText() const {
    const engine::TMPStreamFacts facts = player_.StreamFacts();
    // The list's name stands for the station until the stream sends its own name and title.
    const auto listed = entries_.StationNames.find(current_path());
    const std::string listName =
        listed == entries_.StationNames.end() ? "" : ShownFileName(listed->second);
    const std::string station = !facts.Name.empty() ? facts.Name
                                : !listName.empty() ? listName
                                                    : ShownFileName(current_path());
    std::string text = station;
    const std::string& title = facts.Title.empty() && listName != station ? listName : facts.Title;
    if (!title.empty()) text += "  " + title;
    text += "  " + MinutesAndSeconds(player_.PlayedMilliseconds());
    if (facts.Reconnecting) {
      text += "  reconnecting";
    } else if (facts.BufferingPercent < 100) {
      text += "  buffering " + std::to_string(facts.BufferingPercent) + " %";
    }
    return text;
  }

  std::string FileText() const {
    std::string text = ShownFileName(current_path());
    const std::string artist = SafeText(player_.Artist(), ' ', " ");
    const std::string title = SafeText(player_.SongTitle(), ' ', " ");
    text += "  ";
    if (!artist.empty()) text += artist + " - ";
    text += title;
    text += "  " + MinutesAndSeconds(player_.PlayedMilliseconds()) + " / " +
            MinutesAndSeconds(player_.TotalMilliseconds());
    return text;
  }

  // On a terminal one line that is redrawn; elsewhere one line per change of state.
  void ShowStatus(bool changed) {
    // Held back until the device plays: a device that cannot be opened shows no status line.
    if (awaiting_device_) {
      held_status_.emplace_back(StatusText(), changed);
      return;
    }
    PrintStatus(StatusText(), changed);
  }

  void PrintStatus(const std::string& text, bool changed) {
    if (status_on_terminal_) {
      winsize size{};
      const int columns =
          ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1 ? size.ws_col - 1 : 79;
      std::printf("\r\033[K%s", FitColumns(text, columns).c_str());
      line_open_ = true;
    } else if (changed) {
      std::printf("%s\n", text.c_str());
    }
    std::fflush(stdout);
  }

  void EndStatusLine() {
    if (line_open_) std::printf("\n");
    line_open_ = false;
    std::fflush(stdout);
  }

  void Report(const std::string& path, const char* message) {
    EndStatusLine();
    std::fprintf(stderr, "yumekaze-cli play: %s: %s\n", ShownFileName(path).c_str(),
                 ShownFileName(message).c_str());
    failed_ = true;
  }

  const PlayArguments& args_;
  const engine::TMPExpandedEntries& entries_;
  QuitSignals signals_;
  engine::TMP3Player player_;
  RawKeys keys_;  // after the player: the terminal is restored before the player goes
  bool on_alsa_;
  const bool status_on_terminal_;
  engine::TMPPlayQueue queue_;
  bool quit_ = false;
  bool failed_ = false;
  bool line_open_ = false;
  int muted_volume_ = -1;         // the volume to go back to while muted
  bool awaiting_device_ = false;  // in PlayAndAwaitDevice
  std::string device_error_;      // why the awaited device could not be opened
  std::vector<std::pair<std::string, bool>> held_status_;  // ShowStatus while awaiting it
  std::optional<engine::TMP3EndPlayReason> ended_;
  bool play_opened_ = false;  // a station has opened: play it
  std::string shown_title_;   // the station's title and state last shown
  bool shown_reconnecting_ = false;
  bool shown_buffering_ = false;
};

}  // namespace

int RunPlayCommand(std::span<char* const> args) {
  PlayArguments parsed;
  if (const int status = ParseArguments(args, parsed); status >= 0) return status;

  std::unique_ptr<engine::TWaveDevice> device;
  std::string alsa_name = AlsaNameOf(parsed.device);
  if (parsed.device == "auto") {
    std::string why;
    device = platform::CreateAutoWaveDevice(why);
    if (!device) {
      std::fprintf(stderr, "yumekaze-cli play: %s; playing on the null device\n",
                   ShownFileName(why).c_str());
      device = std::make_unique<platform::TNullWaveDevice>();
    } else if (dynamic_cast<platform::TAlsaWaveDevice*>(device.get()) != nullptr) {
      alsa_name = "default";
    }
  }
  bool on_alsa = !alsa_name.empty();
  if (on_alsa && !device) {
    std::string error;
    if (!platform::CanOpenAlsaDevice(alsa_name, error)) {
      std::fprintf(stderr,
                   "yumekaze-cli play: cannot open ALSA device \"%s\": %s; playing on the null "
                   "device\n",
                   ShownFileName(alsa_name).c_str(), ShownFileName(error).c_str());
      on_alsa = false;
      device = std::make_unique<platform::TNullWaveDevice>();
    }
  }
  if (!device) {
    try {
      device = platform::CreateWaveDevice(parsed.device);
    } catch (const std::exception& error) {
      return UsageError(error.what());
    }
  }
  const engine::TMPExpandedEntries entries = engine::ExpandToEntries(
      parsed.files, [](std::string_view bytes) { return platform::DecodeTagText(bytes); });
  PlaySession session(parsed, entries, std::move(device), on_alsa);
  return session.Run();
}

}  // namespace yumekaze::cli
