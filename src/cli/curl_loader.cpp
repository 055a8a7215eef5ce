// Loads libcurl when a command first opens a station, fetches a list or resolves a URL in one,
// instead of at process start: decode and info on files never need it, and libcurl brings its TLS
// and protocol libraries, most of a short decode's start-up. Linked into yumekaze-cli only.
#include <curl/curl.h>

#include <cstdarg>

#include "cli/on_demand_library.h"

namespace {

using yumekaze::cli::Forward;
using yumekaze::cli::ForwardVoid;

constexpr char kCurl[] = "libcurl.so.4";

// The value after an option or an info is a long, a pointer, a function pointer or a curl_off_t:
// one machine word, passed in the same place whatever its type.
static_assert(sizeof(long) == sizeof(void*) && sizeof(curl_off_t) == sizeof(void*));

void* WordAfter(va_list arguments) { return va_arg(arguments, void*); }

}  // namespace

extern "C" {

CURLcode curl_global_init(long flags) {
  return Forward<kCurl, &curl_global_init>("curl_global_init", CURLE_FAILED_INIT, flags);
}

CURL* curl_easy_init(void) {
  return Forward<kCurl, &curl_easy_init, CURL*>("curl_easy_init", nullptr);
}

CURLcode(curl_easy_setopt)(CURL* curl, CURLoption option, ...) {
  va_list arguments;
  va_start(arguments, option);
  void* const value = WordAfter(arguments);
  va_end(arguments);
  return Forward<kCurl, &curl_easy_setopt>("curl_easy_setopt", CURLE_FAILED_INIT, curl, option,
                                           value);
}

CURLcode(curl_easy_getinfo)(CURL* curl, CURLINFO info, ...) {
  va_list arguments;
  va_start(arguments, info);
  void* const value = WordAfter(arguments);
  va_end(arguments);
  return Forward<kCurl, &curl_easy_getinfo>("curl_easy_getinfo", CURLE_FAILED_INIT, curl, info,
                                            value);
}

CURLcode curl_easy_perform(CURL* curl) {
  return Forward<kCurl, &curl_easy_perform>("curl_easy_perform", CURLE_FAILED_INIT, curl);
}

void curl_easy_cleanup(CURL* curl) {
  ForwardVoid<kCurl, &curl_easy_cleanup>("curl_easy_cleanup", curl);
}

const char* curl_easy_strerror(CURLcode code) {
  return Forward<kCurl, &curl_easy_strerror, const char*>(
      "curl_easy_strerror", "the library libcurl.so.4 cannot be loaded", code);
}

curl_slist* curl_slist_append(curl_slist* list, const char* text) {
  return Forward<kCurl, &curl_slist_append, curl_slist*>("curl_slist_append", nullptr, list, text);
}

void curl_slist_free_all(curl_slist* list) {
  ForwardVoid<kCurl, &curl_slist_free_all>("curl_slist_free_all", list);
}

CURLU* curl_url(void) { return Forward<kCurl, &curl_url, CURLU*>("curl_url", nullptr); }

void curl_url_cleanup(CURLU* url) {
  ForwardVoid<kCurl, &curl_url_cleanup>("curl_url_cleanup", url);
}

CURLUcode curl_url_set(CURLU* url, CURLUPart part, const char* content, unsigned int flags) {
  return Forward<kCurl, &curl_url_set>("curl_url_set", CURLUE_OUT_OF_MEMORY, url, part, content,
                                       flags);
}

CURLUcode curl_url_get(CURLU* url, CURLUPart part, char** content, unsigned int flags) {
  return Forward<kCurl, &curl_url_get>("curl_url_get", CURLUE_OUT_OF_MEMORY, url, part, content,
                                       flags);
}

void curl_free(void* pointer) { ForwardVoid<kCurl, &curl_free>("curl_free", pointer); }

}  // extern "C"
