// Raw entry data to unreduce_entry, for each compression factor (methods 2
// to 5, chosen by the flags bytes): it must end without touching memory
// outside its tables.
#include "engine/decompress/decompress.h"
#include "tests/fuzz/decoder_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    uint16_t method = size > 0 ? static_cast<uint16_t>(2 + data[0] % 4) : 2;
    return fuzz_decoder(unreduce_entry, data, size, method);
}
