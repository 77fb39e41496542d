// Fetching the body of an http, https or ftp URL: libcurl here, WinINet on Windows.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace Tarn::Platform {

// Hands the body to `sink` piece by piece as it arrives, following redirects (to these protocols
// only), with `agent` as the user agent. False when the transfer could not be started, failed,
// delivered nothing for a minute, or `sink` returned false.
bool TransferUrl(const std::string& url, const std::string& agent,
                 const std::function<bool(const char* data, size_t size)>& sink);

}  // namespace Tarn::Platform
