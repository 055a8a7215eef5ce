// The libcurl options every request of the program makes with: http and https only, a few
// redirects, our user agent, TLS verified against the system's store or CURL_CA_BUNDLE, and
// failures for error statuses.
#pragma once

#include <curl/curl.h>

namespace yumekaze::engine {

// Initialises libcurl once for the program, before any handle is made.
void InitCurl();
// Sets the shared options on `curl`; `error` (CURL_ERROR_SIZE bytes) receives failure texts.
void SetCommonOptions(CURL* curl, char* error);

}  // namespace yumekaze::engine
