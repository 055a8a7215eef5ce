// Loads uchardet when a tag text first needs a guess between character sets, instead of at
// process start: decoding never reads tag texts. Linked into yumekaze-cli only.
#include <uchardet/uchardet.h>

#include "cli/on_demand_library.h"

namespace {

using yumekaze::cli::Forward;
using yumekaze::cli::ForwardVoid;

constexpr char kUchardet[] = "libuchardet.so.0";

}  // namespace

extern "C" {

// Without the library there is no detector, and the guess goes on without it.
uchardet_t uchardet_new(void) {
  return Forward<kUchardet, &uchardet_new, uchardet_t>("uchardet_new", nullptr);
}

void uchardet_delete(uchardet_t detector) {
  ForwardVoid<kUchardet, &uchardet_delete>("uchardet_delete", detector);
}

int uchardet_handle_data(uchardet_t detector, const char* data, size_t length) {
  return Forward<kUchardet, &uchardet_handle_data>("uchardet_handle_data", -1, detector, data,
                                                   length);
}

void uchardet_data_end(uchardet_t detector) {
  ForwardVoid<kUchardet, &uchardet_data_end>("uchardet_data_end", detector);
}

const char* uchardet_get_charset(uchardet_t detector) {
  return Forward<kUchardet, &uchardet_get_charset, const char*>("uchardet_get_charset", "",
                                                                detector);
}

}  // extern "C"
