#include "platform/audio/wave_device_factory.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/audio/alsa_wave_device.h"
#include "platform/audio/null_wave_device.h"
#include "platform/audio/pulse_wave_device.h"
#include "platform/audio/wav_file_wave_device.h"

namespace yumekaze::platform {
namespace {

template <typename Device>
Device* As(const std::unique_ptr<engine::TWaveDevice>& device) {
  return dynamic_cast<Device*>(device.get());
}

TEST(WaveDeviceFactory, ChoosesTheDeviceByName) {
  auto device = CreateWaveDevice("default");
  ASSERT_NE(As<TAlsaWaveDevice>(device), nullptr);
  EXPECT_EQ(As<TAlsaWaveDevice>(device)->Name(), "default");
  device = CreateWaveDevice("alsa");
  EXPECT_EQ(As<TAlsaWaveDevice>(device)->Name(), "default");
  device = CreateWaveDevice("alsa:file:'/tmp/x.raw',raw");
  EXPECT_EQ(As<TAlsaWaveDevice>(device)->Name(), "file:'/tmp/x.raw',raw");
  EXPECT_NE(As<TNullWaveDevice>(CreateWaveDevice("null")), nullptr);
  device = CreateWaveDevice("pulse");
  EXPECT_EQ(As<TPulseWaveDevice>(device)->Sink(), "");
  device = CreateWaveDevice("pulse:alsa_output.usb-headset");
  EXPECT_EQ(As<TPulseWaveDevice>(device)->Sink(), "alsa_output.usb-headset");
  device = CreateWaveDevice("wav:/tmp/a:b.wav");
  EXPECT_EQ(As<TWavFileWaveDevice>(device)->Path(), "/tmp/a:b.wav");
}

TEST(WaveDeviceFactory, NullSpeedIsAPositiveNumber) {
  EXPECT_NE(As<TNullWaveDevice>(CreateWaveDevice("null:8")), nullptr);
  EXPECT_NE(As<TNullWaveDevice>(CreateWaveDevice("null:0.5")), nullptr);
  for (const char* name : {"null:", "null:0", "null:-2", "null:fast", "null:2x"}) {
    EXPECT_THROW(CreateWaveDevice(name), std::invalid_argument) << name;
  }
}

TEST(WaveDeviceFactory, UnknownNamesAreRefused) {
  for (const char* name : {"", "pulse:", "pulsex", "alsa:", "wav", "wav:", "nullx", "alsax:hw"}) {
    EXPECT_THROW(CreateWaveDevice(name), std::invalid_argument) << name;
  }
}

TEST(WaveDeviceFactory, AlsaProbeTellsWhyADeviceCannotBeOpened) {
  std::string error;
  EXPECT_FALSE(CanOpenAlsaDevice("yumekaze_no_such_device", error));
  EXPECT_EQ(error, snd_strerror(-ENOENT));
  EXPECT_TRUE(CanOpenAlsaDevice("null", error));
}

}  // namespace
}  // namespace yumekaze::platform
