// Arbitrary bytes as an archive, extracted with -o into a fresh directory:
// nothing may appear outside that directory, symbolic links included.
#include "tests/fuzz/fuzz_sandbox.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    write_archive(data, size);
    empty_extraction_root();
    run_engine({"-o", "-qq", fuzz_sandbox().archive.c_str(), "-d", fuzz_sandbox().out.c_str()});
    check_sandbox_intact();
    return 0;
}
