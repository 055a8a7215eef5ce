// A storm of random commands on one player: opens, file switches (some to files that are not
// audio), play, pause, resume, stop, close, volume, balance and equalizer changes, with random
// short pauses in which its messages are handled or left waiting. The null device plays at high
// speed, so files also end on their own in between. After every step the player's state and its
// device agree; at the end its events agree with the changes it went through. A watchdog fails
// the run when the player hangs. Run under ThreadSanitizer by ./test.
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <random>
#include <sstream>
#include <thread>

#include "engine/player/mp3_player.h"
#include "engine/player/player_test_support.h"
#include "engine/sound/sound_out.h"
#include "engine/stream/stream.h"
#include "hostile_files.h"
#include "observed_device.h"
#include "watchdog.h"

namespace yumekaze::robustness {
namespace {

using engine::TMP3Player;
using engine::test::Streams;

constexpr int kCommands = 10000;
constexpr double kDeviceSpeed = 200.0;  // times real time: short files end within a few commands

// The last commands, for the watchdog's report.
class CommandLog {
 public:
  void Add(std::string command) {
    std::lock_guard lock(mutex_);
    last_.push_back(std::move(command));
    if (last_.size() > 30) last_.pop_front();
  }
  std::string Text() const {
    std::lock_guard lock(mutex_);
    std::ostringstream text;
    text << "last commands:";
    for (const std::string& command : last_) text << "\n  " << command;
    return text.str();
  }

 private:
  mutable std::mutex mutex_;
  std::deque<std::string> last_;
};

class CommandStorm : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto& streams = Streams();
    if (streams.layer2_short.empty() || streams.layer3.empty() || HostileFiles().empty()) {
      GTEST_SKIP() << "twolame or lame is missing: no test streams";
    }
    files_ = {streams.layer2_short.string(), streams.layer2_128.string(),
              streams.layer2_free.string(), streams.layer3.string(), streams.layer2_48.string(),
              HostileFileNamed("cut_in_a_frame")->path.string(),
              HostileFileNamed("garbage_between_frames")->path.string(),
              // Not audio, or not there: the open fails.
              HostileFileNamed("zeros")->path.string(),
              HostileFileNamed("directory")->path.string(), "/nonexistent/yumekaze-storm.mp3"};
  }

  std::vector<std::string> files_;
};

TEST_F(CommandStorm, TenThousandRandomCommandsLeaveStateEventsAndDeviceInAgreement) {
  const uint32_t seed = 20261207;
  std::mt19937 random(seed);
  const auto pick = [&random](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
  };
  CommandLog log;
  const Watchdog watchdog(std::chrono::seconds(900), "the command storm",
                          [&log] { return log.Text(); });

  auto observer = std::make_shared<DeviceObserver>();
  auto player =
      std::make_unique<TMP3Player>(std::make_unique<ObservedDevice>(kDeviceSpeed, observer));
  player->SetAutoPlay(false);

  // What the player went through as seen from here, and what its events told.
  int plays = 0;                   // device opens: playbacks started
  int ends = 0;                    // device closes: playbacks ended
  int expected_end_events = 0;     // ends while no end-of-play message waited
  bool end_pending = false;        // an end-of-play message waits
  bool status_unreported = false;  // the status changed since the last status event
  uint8_t seen_status = player->Status();
  int status_events = 0;
  int last_status_event = -1;
  int end_events = 0;
  int ends_of_stream = 0;
  int errors_shown = 0;

  // Takes in what happened since the last look. Runs after every step and first thing in every
  // event handler, so that changes made while handling messages count before their events.
  const auto observe = [&] {
    const DeviceState device = observer->State();
    if (device.closes > ends) {
      if (!end_pending) ++expected_end_events;
      end_pending = true;
    }
    plays = device.opens;
    ends = device.closes;
    if (player->Status() != seen_status) {
      seen_status = player->Status();
      status_unreported = true;
    }
  };
  player->SetOnChangeStatus([&](TMP3Player& sender) {
    observe();
    ++status_events;
    last_status_event = sender.Status();
    status_unreported = false;
  });
  player->SetOnEndPlay([&](TMP3Player&, engine::TMP3EndPlayReason reason) {
    observe();
    ++end_events;
    if (reason == engine::meprEndOfStream) ++ends_of_stream;
    end_pending = false;
    EXPECT_NE(reason, engine::meprError) << "the null device never fails";
  });
  player->SetOnShowException([&](TMP3Player&, const std::exception& error) {
    ++errors_shown;
    ADD_FAILURE() << "error shown: " << error.what();
  });

  // The player's state and its device agree.
  const auto agreement = [&] {
    const uint8_t status = player->Status();
    const DeviceState device = observer->State();
    const uint8_t caps = player->Capabilities();
    bool agree = !player->DeviceBusy() && device.misuse.empty() &&
                 ((caps & engine::kCapOpened) != 0) == player->Opened() &&
                 device.opens == device.closes + (device.open ? 1 : 0);
    switch (status) {
      case engine::kStatusStopped:
        agree = agree && !device.open;
        break;
      case engine::kStatusPlaying:
        agree = agree && player->Opened() && device.open && !device.paused;
        break;
      case engine::kStatusPaused:
        agree = agree && player->Opened() && device.open && device.paused;
        break;
      default:
        agree = false;
    }
    if (device.open) {
      agree = agree && device.volume_set &&
              device.volume == engine::SoundOutVolumeWord(player->Volume(), player->VolBalance());
    }
    return agree;
  };
  // Called after every step. The device opens on a thread of its own, and an open nobody waits
  // for any more is closed there: they may take a moment to agree.
  const auto check = [&](const std::string& step) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!agreement() && std::chrono::steady_clock::now() < limit) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    observe();
    if (!agreement()) {
      const uint8_t status = player->Status();
      const DeviceState device = observer->State();
      ADD_FAILURE() << "after " << step << ": status " << int{status} << ", opened "
                    << player->Opened() << ", device open " << device.open << " paused "
                    << device.paused << " volume " << device.volume << " (player "
                    << player->Volume() << "/" << player->VolBalance() << "), opens "
                    << device.opens << ", closes " << device.closes << ", misuse '" << device.misuse
                    << "'\n"
                    << log.Text();
      return false;
    }
    return true;
  };
  const auto pump = [&](int milliseconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    do {
      player->Window().WaitForMessages(1);
      player->Window().ProcessPending();
      if (!check("handling messages")) return false;
    } while (std::chrono::steady_clock::now() < until);
    return true;
  };

  int failed_opens = 0;
  int played_out = 0;
  for (int i = 0; i < kCommands; ++i) {
    std::string step;
    const int choice = pick(0, 99);
    try {
      if (choice < 12) {
        const std::string& file =
            files_[static_cast<size_t>(pick(0, static_cast<int>(files_.size()) - 1))];
        step = "FileName " + file;
        log.Add(step);
        player->SetFileName(file);
      } else if (choice < 15) {
        step = "Open";
        log.Add(step);
        player->Open();
      } else if (choice < 30) {
        step = "Play";
        log.Add(step);
        player->Play();
      } else if (choice < 38) {
        step = "Pause";
        log.Add(step);
        player->Pause();
      } else if (choice < 46) {
        step = "Resume";
        log.Add(step);
        player->Resume();
      } else if (choice < 53) {
        step = "Stop";
        log.Add(step);
        player->Stop();
      } else if (choice < 56) {
        step = "Close";
        log.Add(step);
        player->Close();
      } else if (choice < 63) {
        const int volume = pick(-10, 110);
        step = "Volume " + std::to_string(volume);
        log.Add(step);
        player->SetVolume(volume);
      } else if (choice < 69) {
        const int balance = pick(-120, 120);
        step = "VolBalance " + std::to_string(balance);
        log.Add(step);
        player->SetVolBalance(balance);
      } else if (choice < 74) {
        const int band = pick(0, 31);
        const int gain = pick(-150, 150);
        step = "EqualizerGain " + std::to_string(band) + " " + std::to_string(gain);
        log.Add(step);
        player->SetEqualizerGain(band, gain);
      } else if (choice < 77) {
        step = "EqualizerEnabled";
        log.Add(step);
        player->SetEqualizerEnabled(pick(0, 1) == 1);
      } else if (choice < 79) {
        step = "EqualizerMode";
        log.Add(step);
        player->SetEqualizerMode(pick(0, 1) ? engine::memFreq : engine::memSubBand);
      } else if (choice < 81) {
        const int count = pick(0, 33);
        step = "EqualizerCount " + std::to_string(count);
        log.Add(step);
        player->SetEqualizerCount(count);
      } else if (choice < 82) {
        const int low = pick(10, 2000);
        step = "FrequencyRange " + std::to_string(low);
        log.Add(step);
        player->SetFrequencyRange(low, low + pick(100, 20000));
      } else if (choice < 83) {
        step = "AutoPlay";
        log.Add(step);
        player->SetAutoPlay(pick(0, 3) == 0);
      } else if (choice == 83) {
        // Lets the open file play out, so that ends of the audio come in any build's speed.
        step = "play to the end";
        log.Add(step);
        if (player->Opened()) {
          if (player->Status() == engine::kStatusPaused) player->Resume();
          if (player->Status() == engine::kStatusStopped) player->Play();
          const int before = ends_of_stream;
          bool agreed = true;
          while (agreed && ends_of_stream == before) agreed = pump(5);
          if (!agreed) break;
          ++played_out;
        }
      } else if (choice < 95) {
        const int pause = pick(0, 4);
        step = "pump " + std::to_string(pause) + " ms";
        log.Add(step);
        if (!pump(pause)) break;
      } else {
        // A pause in which nothing is handled: messages pile up and fold.
        const int pause = pick(0, 3);
        step = "sleep " + std::to_string(pause) + " ms";
        log.Add(step);
        std::this_thread::sleep_for(std::chrono::milliseconds(pause));
      }
    } catch (const engine::TMPFormatError&) {
      ++failed_opens;
      EXPECT_FALSE(player->Opened()) << "a file that is not audio leaves the player closed";
    } catch (const engine::TMPStreamError&) {
      ++failed_opens;
    }
    if (!check(step)) break;
  }

  // Quiet down: stop, then handle messages until none comes.
  log.Add("final Stop");
  player->Stop();
  ASSERT_TRUE(check("final Stop"));
  for (int round = 0; round < 1000; ++round) {
    if (player->Window().ProcessPending() == 0 && !player->Window().WaitForMessages(100)) break;
  }
  ASSERT_TRUE(check("settling"));

  EXPECT_GT(plays, 100) << "the storm hardly played";
  EXPECT_GT(played_out, 10);
  EXPECT_GE(ends_of_stream, played_out);
  EXPECT_GT(failed_opens, 0);
  EXPECT_EQ(errors_shown, 0);
  // Every change was reported, the last report is the state the player is in, and every end of
  // play was reported once (ends in a row while the message waited fire once).
  EXPECT_FALSE(status_unreported);
  EXPECT_EQ(last_status_event, player->Status());
  EXPECT_GT(status_events, 0);
  EXPECT_FALSE(end_pending);
  EXPECT_EQ(end_events, expected_end_events);
  EXPECT_EQ(plays, ends);
  const DeviceState device = observer->State();
  EXPECT_FALSE(device.open);
  EXPECT_EQ(device.misuse, "");
  std::printf(
      "storm (seed %u): %d plays, %d end events (%d at the end of the audio), %d status events, %d "
      "failed opens\n",
      seed, plays, end_events, ends_of_stream, status_events, failed_opens);

  // Closing and destroying after the storm end cleanly too.
  player->Close();
  player.reset();
}

}  // namespace
}  // namespace yumekaze::robustness
