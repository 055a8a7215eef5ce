// Fetching a small document (a station list) over http or https, whole, on the calling thread.
#pragma once

#include <cstddef>
#include <string>

namespace yumekaze::engine {

struct TMPFetched {
  bool Ok = false;
  std::string Body;
  std::string Error;  // why not, when !Ok
};

// Gives up after `limit` bytes or `seconds`; the body is then refused, not cut.
TMPFetched FetchSmall(const std::string& url, size_t limit = 1 << 20, long seconds = 20);

}  // namespace yumekaze::engine
