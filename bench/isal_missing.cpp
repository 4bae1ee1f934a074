// Built instead of isal_streaming.cpp when libisal is not installed.
#include "isal_streaming.h"

bool IsalAvailable() { return false; }

bool IsalInflatePieces(const uint8_t*, size_t, uint32_t&, size_t&) { return false; }
