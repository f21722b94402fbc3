// Arbitrary bytes as an archive, tested (-t): nothing is written, every
// input ends.
#include "tests/fuzz/fuzz_sandbox.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    write_archive(data, size);
    run_engine({"-t", fuzz_sandbox().archive.c_str()});
    check_sandbox_intact();
    return 0;
}
