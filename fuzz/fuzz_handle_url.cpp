// Arbitrary text as a URL through CHttpEvent::handle_url. Whatever comes in, an accepted URL
// has a scheme of its two, a host, a port in range and a path starting with "/" that begins its
// request URI.

#include "http/chttpevent.h"

#include <curl/curl.h>
#include <glog/logging.h>

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Every rejected URL logs a line; the fuzzer wants none of them.
    FLAGS_minloglevel = google::GLOG_FATAL;
    // One reference held for the run, so each CHttpEvent does not set libcurl up from scratch.
    curl_global_init(CURL_GLOBAL_ALL);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string url(reinterpret_cast<const char*>(data), size);
    CHttpEvent event;
    if (event.handle_url(url.c_str()) != 0) {
        return 0;
    }
    const std::string& path = event.path();
    const std::string& uri = event.requestUri();
    const bool https = url.size() >= 5 && (url[4] == 's' || url[4] == 'S');
    if (event.host().empty() || event.port() < 0 || event.port() > 65535 || path.empty() || path[0] != '/' ||
        uri.compare(0, path.size(), path) != 0 || (uri.size() > path.size() && uri[path.size()] != '?') ||
        event.isHttps() != https) {
        abort();
    }
    return 0;
}
