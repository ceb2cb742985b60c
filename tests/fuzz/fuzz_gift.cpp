// GIFT question files (readGift) of any shape: see interchangecheck.h for what must hold.
#include "interchangecheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    checkReader(&readGift, data, size);
    return 0;
}
