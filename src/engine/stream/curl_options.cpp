#include "engine/stream/curl_options.h"

#include <cstdlib>
#include <mutex>

namespace yumekaze::engine {
namespace {

constexpr long kMaxRedirects = 5;
constexpr long kConnectSeconds = 15;

}  // namespace

void InitCurl() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

void SetCommonOptions(CURL* curl, char* error) {
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, "Yumekaze/" YUMEKAZE_VERSION);
  curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
  // TLS is verified against the system's store (libcurl's default); like the curl tool, a CA
  // bundle named in CURL_CA_BUNDLE replaces it.
  if (const char* bundle = std::getenv("CURL_CA_BUNDLE"); bundle != nullptr && *bundle != 0) {
    curl_easy_setopt(curl, CURLOPT_CAINFO, bundle);
  }
}

}  // namespace yumekaze::engine
