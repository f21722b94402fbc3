// Raw entry data to unshrink_entry: it must end on any input without touching
// memory outside its buffers.
#include "engine/decompress/decompress.h"
#include "tests/fuzz/decoder_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzz_decoder(unshrink_entry, data, size, 1);
}
