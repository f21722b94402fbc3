// A private directory tree for fuzzing the engine's file output, and the
// check that a run wrote nothing outside its extraction root.
//
//   <root>/n1/n2/n3/base/cwd      current directory during a run; stays empty
//   <root>/n1/n2/n3/base/in.zip   the archive under test
//   <root>/n1/n2/n3/base/out/     extraction root
//
// The base lies a few levels below <root> so that names climbing out of the
// root with "../" still land inside <root>, where the check sees them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

struct FuzzSandbox {
    std::string root, base, cwd, archive, out;
};

// Made once per process; the current directory is moved to its cwd.
const FuzzSandbox& fuzz_sandbox();

void write_archive(const uint8_t* data, size_t size);

// Removes everything below the extraction root.
void empty_extraction_root();

// Inputs are at most 64 KiB (scripts/fuzz.sh). The most expanding method
// turns one 13-bit code into a string of up to about 8 KiB, so such an
// input can produce a few hundred MiB at most; more means output that does
// not end with the input.
constexpr uintmax_t OUTPUT_LIMIT = uintmax_t{1} << 30;

// Aborts when anything exists in <root> besides the sandbox's own entries and
// files under out/, when any symbolic link appears anywhere in <root>, or
// when the files under out/ hold more than OUTPUT_LIMIT bytes.
void check_sandbox_intact();

// Calls engine_main with "unzip" and the given words (copied into writable storage).
int run_engine(std::initializer_list<const char*> words);
