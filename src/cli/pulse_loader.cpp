// Loads the PulseAudio client library when a command first plays sound through the sound server,
// instead of at process start, for the same reason as alsa_loader.cpp: decode and info never need
// it, and libpulse with its dependencies would be most of their memory. These definitions take
// the place of the library's entry points that the PulseAudio wave device uses and forward to the
// real ones. Linked into yumekaze-cli only.
#include <pulse/pulseaudio.h>

#include "cli/on_demand_library.h"

namespace {

using yumekaze::cli::Forward;
using yumekaze::cli::ForwardVoid;

constexpr char kPulse[] = "libpulse.so.0";

// What a call answers when the library cannot be loaded: the device then fails to open, and
// pa_strerror explains why.
constexpr int kMissing = -PA_ERR_INTERNAL;

}  // namespace

extern "C" {

const char* pa_strerror(int error) {
  return Forward<kPulse, &pa_strerror, const char*>(
      "pa_strerror", "the PulseAudio library libpulse.so.0 cannot be loaded", error);
}

pa_threaded_mainloop* pa_threaded_mainloop_new(void) {
  return Forward<kPulse, &pa_threaded_mainloop_new, pa_threaded_mainloop*>(
      "pa_threaded_mainloop_new", nullptr);
}

void pa_threaded_mainloop_free(pa_threaded_mainloop* m) {
  ForwardVoid<kPulse, &pa_threaded_mainloop_free>("pa_threaded_mainloop_free", m);
}

int pa_threaded_mainloop_start(pa_threaded_mainloop* m) {
  return Forward<kPulse, &pa_threaded_mainloop_start>("pa_threaded_mainloop_start", kMissing, m);
}

void pa_threaded_mainloop_stop(pa_threaded_mainloop* m) {
  ForwardVoid<kPulse, &pa_threaded_mainloop_stop>("pa_threaded_mainloop_stop", m);
}

void pa_threaded_mainloop_lock(pa_threaded_mainloop* m) {
  ForwardVoid<kPulse, &pa_threaded_mainloop_lock>("pa_threaded_mainloop_lock", m);
}

void pa_threaded_mainloop_unlock(pa_threaded_mainloop* m) {
  ForwardVoid<kPulse, &pa_threaded_mainloop_unlock>("pa_threaded_mainloop_unlock", m);
}

void pa_threaded_mainloop_wait(pa_threaded_mainloop* m) {
  ForwardVoid<kPulse, &pa_threaded_mainloop_wait>("pa_threaded_mainloop_wait", m);
}

void pa_threaded_mainloop_signal(pa_threaded_mainloop* m, int wait_for_accept) {
  ForwardVoid<kPulse, &pa_threaded_mainloop_signal>("pa_threaded_mainloop_signal", m,
                                                    wait_for_accept);
}

pa_mainloop_api* pa_threaded_mainloop_get_api(pa_threaded_mainloop* m) {
  return Forward<kPulse, &pa_threaded_mainloop_get_api, pa_mainloop_api*>(
      "pa_threaded_mainloop_get_api", nullptr, m);
}

pa_proplist* pa_proplist_new(void) {
  return Forward<kPulse, &pa_proplist_new, pa_proplist*>("pa_proplist_new", nullptr);
}

void pa_proplist_free(pa_proplist* p) {
  ForwardVoid<kPulse, &pa_proplist_free>("pa_proplist_free", p);
}

int pa_proplist_sets(pa_proplist* p, const char* key, const char* value) {
  return Forward<kPulse, &pa_proplist_sets>("pa_proplist_sets", kMissing, p, key, value);
}

pa_context* pa_context_new_with_proplist(pa_mainloop_api* mainloop, const char* name,
                                         const pa_proplist* proplist) {
  return Forward<kPulse, &pa_context_new_with_proplist, pa_context*>(
      "pa_context_new_with_proplist", nullptr, mainloop, name, proplist);
}

int pa_context_connect(pa_context* c, const char* server, pa_context_flags_t flags,
                       const pa_spawn_api* api) {
  return Forward<kPulse, &pa_context_connect>("pa_context_connect", kMissing, c, server, flags,
                                              api);
}

void pa_context_disconnect(pa_context* c) {
  ForwardVoid<kPulse, &pa_context_disconnect>("pa_context_disconnect", c);
}

void pa_context_unref(pa_context* c) {
  ForwardVoid<kPulse, &pa_context_unref>("pa_context_unref", c);
}

int pa_context_errno(const pa_context* c) {
  return Forward<kPulse, &pa_context_errno, int>("pa_context_errno", PA_ERR_INTERNAL, c);
}

pa_context_state_t pa_context_get_state(const pa_context* c) {
  return Forward<kPulse, &pa_context_get_state>("pa_context_get_state", PA_CONTEXT_FAILED, c);
}

void pa_context_set_state_callback(pa_context* c, pa_context_notify_cb_t cb, void* userdata) {
  ForwardVoid<kPulse, &pa_context_set_state_callback>("pa_context_set_state_callback", c, cb,
                                                      userdata);
}

pa_time_event* pa_context_rttime_new(const pa_context* c, pa_usec_t usec, pa_time_event_cb_t cb,
                                     void* userdata) {
  return Forward<kPulse, &pa_context_rttime_new, pa_time_event*>("pa_context_rttime_new", nullptr,
                                                                 c, usec, cb, userdata);
}

void pa_context_rttime_restart(const pa_context* c, pa_time_event* e, pa_usec_t usec) {
  ForwardVoid<kPulse, &pa_context_rttime_restart>("pa_context_rttime_restart", c, e, usec);
}

pa_operation* pa_context_set_sink_input_volume(pa_context* c, uint32_t idx,
                                               const pa_cvolume* volume, pa_context_success_cb_t cb,
                                               void* userdata) {
  return Forward<kPulse, &pa_context_set_sink_input_volume, pa_operation*>(
      "pa_context_set_sink_input_volume", nullptr, c, idx, volume, cb, userdata);
}

pa_operation* pa_context_set_sink_input_mute(pa_context* c, uint32_t idx, int mute,
                                             pa_context_success_cb_t cb, void* userdata) {
  return Forward<kPulse, &pa_context_set_sink_input_mute, pa_operation*>(
      "pa_context_set_sink_input_mute", nullptr, c, idx, mute, cb, userdata);
}

pa_operation* pa_context_get_sink_input_info(pa_context* c, uint32_t idx,
                                             pa_sink_input_info_cb_t cb, void* userdata) {
  return Forward<kPulse, &pa_context_get_sink_input_info, pa_operation*>(
      "pa_context_get_sink_input_info", nullptr, c, idx, cb, userdata);
}

pa_operation* pa_context_subscribe(pa_context* c, pa_subscription_mask_t m,
                                   pa_context_success_cb_t cb, void* userdata) {
  return Forward<kPulse, &pa_context_subscribe, pa_operation*>("pa_context_subscribe", nullptr, c,
                                                               m, cb, userdata);
}

void pa_context_set_subscribe_callback(pa_context* c, pa_context_subscribe_cb_t cb,
                                       void* userdata) {
  ForwardVoid<kPulse, &pa_context_set_subscribe_callback>("pa_context_set_subscribe_callback", c,
                                                          cb, userdata);
}

int pa_cvolume_equal(const pa_cvolume* a, const pa_cvolume* b) {
  return Forward<kPulse, &pa_cvolume_equal>("pa_cvolume_equal", 0, a, b);
}

pa_operation_state_t pa_operation_get_state(const pa_operation* o) {
  return Forward<kPulse, &pa_operation_get_state>("pa_operation_get_state", PA_OPERATION_CANCELLED,
                                                  o);
}

void pa_operation_unref(pa_operation* o) {
  ForwardVoid<kPulse, &pa_operation_unref>("pa_operation_unref", o);
}

pa_stream* pa_stream_new_with_proplist(pa_context* c, const char* name, const pa_sample_spec* ss,
                                       const pa_channel_map* map, pa_proplist* p) {
  return Forward<kPulse, &pa_stream_new_with_proplist, pa_stream*>("pa_stream_new_with_proplist",
                                                                   nullptr, c, name, ss, map, p);
}

int pa_stream_connect_playback(pa_stream* s, const char* dev, const pa_buffer_attr* attr,
                               pa_stream_flags_t flags, const pa_cvolume* volume,
                               pa_stream* sync_stream) {
  return Forward<kPulse, &pa_stream_connect_playback>("pa_stream_connect_playback", kMissing, s,
                                                      dev, attr, flags, volume, sync_stream);
}

int pa_stream_disconnect(pa_stream* s) {
  return Forward<kPulse, &pa_stream_disconnect>("pa_stream_disconnect", kMissing, s);
}

void pa_stream_unref(pa_stream* s) { ForwardVoid<kPulse, &pa_stream_unref>("pa_stream_unref", s); }

pa_stream_state_t pa_stream_get_state(const pa_stream* p) {
  return Forward<kPulse, &pa_stream_get_state>("pa_stream_get_state", PA_STREAM_FAILED, p);
}

uint32_t pa_stream_get_index(const pa_stream* s) {
  return Forward<kPulse, &pa_stream_get_index, uint32_t>("pa_stream_get_index", PA_INVALID_INDEX,
                                                         s);
}

void pa_stream_set_state_callback(pa_stream* s, pa_stream_notify_cb_t cb, void* userdata) {
  ForwardVoid<kPulse, &pa_stream_set_state_callback>("pa_stream_set_state_callback", s, cb,
                                                     userdata);
}

pa_operation* pa_stream_proplist_update(pa_stream* s, pa_update_mode_t mode, pa_proplist* p,
                                        pa_stream_success_cb_t cb, void* userdata) {
  return Forward<kPulse, &pa_stream_proplist_update, pa_operation*>(
      "pa_stream_proplist_update", nullptr, s, mode, p, cb, userdata);
}

pa_operation* pa_stream_proplist_remove(pa_stream* s, const char* const keys[],
                                        pa_stream_success_cb_t cb, void* userdata) {
  return Forward<kPulse, &pa_stream_proplist_remove, pa_operation*>("pa_stream_proplist_remove",
                                                                    nullptr, s, keys, cb, userdata);
}

int pa_stream_begin_write(pa_stream* p, void** data, size_t* nbytes) {
  return Forward<kPulse, &pa_stream_begin_write>("pa_stream_begin_write", kMissing, p, data,
                                                 nbytes);
}

int pa_stream_write(pa_stream* p, const void* data, size_t nbytes, pa_free_cb_t free_cb,
                    int64_t offset, pa_seek_mode_t seek) {
  return Forward<kPulse, &pa_stream_write>("pa_stream_write", kMissing, p, data, nbytes, free_cb,
                                           offset, seek);
}

pa_operation* pa_stream_cork(pa_stream* s, int b, pa_stream_success_cb_t cb, void* userdata) {
  return Forward<kPulse, &pa_stream_cork, pa_operation*>("pa_stream_cork", nullptr, s, b, cb,
                                                         userdata);
}

pa_operation* pa_stream_flush(pa_stream* s, pa_stream_success_cb_t cb, void* userdata) {
  return Forward<kPulse, &pa_stream_flush, pa_operation*>("pa_stream_flush", nullptr, s, cb,
                                                          userdata);
}

pa_operation* pa_stream_update_timing_info(pa_stream* p, pa_stream_success_cb_t cb,
                                           void* userdata) {
  return Forward<kPulse, &pa_stream_update_timing_info, pa_operation*>(
      "pa_stream_update_timing_info", nullptr, p, cb, userdata);
}

const pa_timing_info* pa_stream_get_timing_info(pa_stream* s) {
  return Forward<kPulse, &pa_stream_get_timing_info, const pa_timing_info*>(
      "pa_stream_get_timing_info", nullptr, s);
}

int pa_stream_get_time(pa_stream* s, pa_usec_t* r_usec) {
  return Forward<kPulse, &pa_stream_get_time>("pa_stream_get_time", kMissing, s, r_usec);
}

// Only called with a stream open, so the library is there; the fallbacks keep arithmetic sane.
size_t pa_frame_size(const pa_sample_spec* spec) {
  return Forward<kPulse, &pa_frame_size, size_t>("pa_frame_size", 4, spec);
}

pa_usec_t pa_bytes_to_usec(uint64_t length, const pa_sample_spec* spec) {
  return Forward<kPulse, &pa_bytes_to_usec, pa_usec_t>("pa_bytes_to_usec", 0, length, spec);
}

size_t pa_usec_to_bytes(pa_usec_t t, const pa_sample_spec* spec) {
  return Forward<kPulse, &pa_usec_to_bytes, size_t>("pa_usec_to_bytes", 0, t, spec);
}

pa_usec_t pa_rtclock_now(void) {
  return Forward<kPulse, &pa_rtclock_now, pa_usec_t>("pa_rtclock_now", 0);
}

char* pa_sample_spec_snprint(char* s, size_t l, const pa_sample_spec* spec) {
  if (l > 0) s[0] = '\0';
  ForwardVoid<kPulse, &pa_sample_spec_snprint>("pa_sample_spec_snprint", s, l, spec);
  return s;
}

}  // extern "C"
