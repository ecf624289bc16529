// PLACEHOLDER: replaced by the platform work.
#include "platform/platform.h"
