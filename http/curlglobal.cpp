#include "http/curlglobal.h"

#include "corviscommon/logging.h"

#include <curl/curl.h>

#include <string>

namespace corvis {

size_t curlAppendToString(char* data, size_t size, size_t count, void* userdata)
{
    const size_t bytes = size * count;
    static_cast<std::string*>(userdata)->append(data, bytes);
    return bytes;
}

size_t curlAppendCapped(char* data, size_t size, size_t count, void* userdata)
{
    CappedString* sink = static_cast<CappedString*>(userdata);
    const size_t bytes = size * count;
    if (bytes > sink->left) {
        sink->overflowed = true;
        return 0;
    }
    sink->out->append(data, bytes);
    sink->left -= bytes;
    return bytes;
}

void curlReinitAfterOutOfMemory()
{
    LOG(ERROR) << "curl error(errno:27): memory allocation, to reinit";
    curl_global_cleanup();
    const CURLcode code = curl_global_init(CURL_GLOBAL_ALL);
    if (code != CURLE_OK) {
        LOG(ERROR) << "curl_global_init failed, errno:" << static_cast<int>(code);
    }
}

}  // namespace corvis
