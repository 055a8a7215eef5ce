#include "engine/stream/http_fetch.h"

#include "engine/stream/curl_options.h"

namespace yumekaze::engine {
namespace {

struct TSink {
  std::string& Body;
  size_t Limit;
};

size_t Collect(char* data, size_t size, size_t count, void* user) {
  auto& sink = *static_cast<TSink*>(user);
  const size_t n = size * count;
  if (sink.Body.size() + n > sink.Limit) return 0;
  sink.Body.append(data, n);
  return n;
}

}  // namespace

TMPFetched FetchSmall(const std::string& url, size_t limit, long seconds) {
  InitCurl();
  TMPFetched fetched;
  CURL* curl = curl_easy_init();
  if (curl == nullptr) {
    fetched.Error = "Cannot start a transfer";
    return fetched;
  }
  char error[CURL_ERROR_SIZE] = {};
  TSink sink{fetched.Body, limit};
  SetCommonOptions(curl, error);
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, seconds);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
  const CURLcode result = curl_easy_perform(curl);
  curl_easy_cleanup(curl);
  fetched.Ok = result == CURLE_OK;
  if (!fetched.Ok) {
    fetched.Body.clear();
    fetched.Error = *error != 0 ? error : curl_easy_strerror(result);
  }
  return fetched;
}

}  // namespace yumekaze::engine
