// PLACEHOLDER: replaced by the platform work.
#include "platform/posix/curl_client.h"
