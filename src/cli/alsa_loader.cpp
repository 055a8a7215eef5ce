// Loads the ALSA library when a command first plays sound, instead of at process start. decode and
// info never touch the sound device; linking libasound directly made every run map and relocate
// it, most of the process's memory. These definitions take the place of the library's entry
// points that the ALSA wave device uses and forward to the real ones. Linked into yumekaze-cli
// only; with --as-needed the executable then does not depend on libasound.
#include <alsa/asoundlib.h>

#include <cerrno>

#include "cli/on_demand_library.h"

namespace {

using yumekaze::cli::Forward;

constexpr char kAlsa[] = "libasound.so.2";

// What a call answers when the library cannot be loaded.
constexpr int kMissing = -ENODEV;

}  // namespace

extern "C" {

int snd_lib_error_set_handler(snd_lib_error_handler_t handler) {
  return Forward<kAlsa, &snd_lib_error_set_handler>("snd_lib_error_set_handler", 0, handler);
}

const char* snd_strerror(int errnum) {
  return Forward<kAlsa, &snd_strerror, const char*>(
      "snd_strerror", "the ALSA library libasound.so.2 cannot be loaded", errnum);
}

int snd_pcm_open(snd_pcm_t** pcm, const char* name, snd_pcm_stream_t stream, int mode) {
  return Forward<kAlsa, &snd_pcm_open>("snd_pcm_open", kMissing, pcm, name, stream, mode);
}

int snd_pcm_close(snd_pcm_t* pcm) {
  return Forward<kAlsa, &snd_pcm_close>("snd_pcm_close", kMissing, pcm);
}

int snd_pcm_delay(snd_pcm_t* pcm, snd_pcm_sframes_t* delayp) {
  return Forward<kAlsa, &snd_pcm_delay>("snd_pcm_delay", kMissing, pcm, delayp);
}

int snd_pcm_drop(snd_pcm_t* pcm) {
  return Forward<kAlsa, &snd_pcm_drop>("snd_pcm_drop", kMissing, pcm);
}

int snd_pcm_get_params(snd_pcm_t* pcm, snd_pcm_uframes_t* buffer_size,
                       snd_pcm_uframes_t* period_size) {
  return Forward<kAlsa, &snd_pcm_get_params>("snd_pcm_get_params", kMissing, pcm, buffer_size,
                                             period_size);
}

int snd_pcm_hw_params_can_pause(const snd_pcm_hw_params_t* params) {
  return Forward<kAlsa, &snd_pcm_hw_params_can_pause>("snd_pcm_hw_params_can_pause", 0, params);
}

int snd_pcm_hw_params_current(snd_pcm_t* pcm, snd_pcm_hw_params_t* params) {
  return Forward<kAlsa, &snd_pcm_hw_params_current>("snd_pcm_hw_params_current", kMissing, pcm,
                                                    params);
}

// Sizes for alloca: only asked for with a device open, so the library is there; the fallback is
// a size any parameter block fits.
size_t snd_pcm_hw_params_sizeof(void) {
  return Forward<kAlsa, &snd_pcm_hw_params_sizeof>("snd_pcm_hw_params_sizeof", size_t{4096});
}

size_t snd_pcm_sw_params_sizeof(void) {
  return Forward<kAlsa, &snd_pcm_sw_params_sizeof>("snd_pcm_sw_params_sizeof", size_t{4096});
}

int snd_pcm_nonblock(snd_pcm_t* pcm, int nonblock) {
  return Forward<kAlsa, &snd_pcm_nonblock>("snd_pcm_nonblock", kMissing, pcm, nonblock);
}

int snd_pcm_pause(snd_pcm_t* pcm, int enable) {
  return Forward<kAlsa, &snd_pcm_pause>("snd_pcm_pause", kMissing, pcm, enable);
}

int snd_pcm_poll_descriptors_count(snd_pcm_t* pcm) {
  return Forward<kAlsa, &snd_pcm_poll_descriptors_count>("snd_pcm_poll_descriptors_count", kMissing,
                                                         pcm);
}

int snd_pcm_poll_descriptors(snd_pcm_t* pcm, struct pollfd* pfds, unsigned int space) {
  return Forward<kAlsa, &snd_pcm_poll_descriptors>("snd_pcm_poll_descriptors", kMissing, pcm, pfds,
                                                   space);
}

int snd_pcm_prepare(snd_pcm_t* pcm) {
  return Forward<kAlsa, &snd_pcm_prepare>("snd_pcm_prepare", kMissing, pcm);
}

int snd_pcm_recover(snd_pcm_t* pcm, int err, int silent) {
  return Forward<kAlsa, &snd_pcm_recover>("snd_pcm_recover", kMissing, pcm, err, silent);
}

int snd_pcm_resume(snd_pcm_t* pcm) {
  return Forward<kAlsa, &snd_pcm_resume>("snd_pcm_resume", kMissing, pcm);
}

int snd_pcm_set_params(snd_pcm_t* pcm, snd_pcm_format_t format, snd_pcm_access_t access,
                       unsigned int channels, unsigned int rate, int soft_resample,
                       unsigned int latency) {
  return Forward<kAlsa, &snd_pcm_set_params>("snd_pcm_set_params", kMissing, pcm, format, access,
                                             channels, rate, soft_resample, latency);
}

int snd_pcm_start(snd_pcm_t* pcm) {
  return Forward<kAlsa, &snd_pcm_start>("snd_pcm_start", kMissing, pcm);
}

snd_pcm_state_t snd_pcm_state(snd_pcm_t* pcm) {
  return Forward<kAlsa, &snd_pcm_state>("snd_pcm_state", SND_PCM_STATE_DISCONNECTED, pcm);
}

int snd_pcm_sw_params(snd_pcm_t* pcm, snd_pcm_sw_params_t* params) {
  return Forward<kAlsa, &snd_pcm_sw_params>("snd_pcm_sw_params", kMissing, pcm, params);
}

int snd_pcm_sw_params_current(snd_pcm_t* pcm, snd_pcm_sw_params_t* params) {
  return Forward<kAlsa, &snd_pcm_sw_params_current>("snd_pcm_sw_params_current", kMissing, pcm,
                                                    params);
}

int snd_pcm_sw_params_set_start_threshold(snd_pcm_t* pcm, snd_pcm_sw_params_t* params,
                                          snd_pcm_uframes_t val) {
  return Forward<kAlsa, &snd_pcm_sw_params_set_start_threshold>(
      "snd_pcm_sw_params_set_start_threshold", kMissing, pcm, params, val);
}

snd_pcm_sframes_t snd_pcm_writei(snd_pcm_t* pcm, const void* buffer, snd_pcm_uframes_t size) {
  return Forward<kAlsa, &snd_pcm_writei, snd_pcm_sframes_t>("snd_pcm_writei", kMissing, pcm, buffer,
                                                            size);
}

}  // extern "C"
