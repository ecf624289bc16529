// PLACEHOLDER: replaced by the platform work.
#include "platform/http_client.h"
