// Arbitrary bytes as an archive, listed verbosely (-v): the listing also fills
// the installer's entry table, which must never overflow.
#include "tests/fuzz/fuzz_sandbox.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    write_archive(data, size);
    run_engine({"-v", fuzz_sandbox().archive.c_str()});
    check_sandbox_intact();
    return 0;
}
