// readMoodleXml over any bytes: see interchangecheck.h for what must hold.
#include "interchangecheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    checkReader(&readMoodleXml, data, size);
    return 0;
}
