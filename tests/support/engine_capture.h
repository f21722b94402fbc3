// Runs engine_main with writable argument copies, optional text on standard
// input (for the engine's console questions) and both output streams caught
// at descriptor level, so that the engine's direct descriptor writes are
// caught as well as its stdio output.
#pragma once
#include <string>
#include <vector>

struct CapturedRun {
    int result = -1;
    std::string out;  // standard output
    std::string err;  // standard error
};

// args excludes the program name ("unzip" is passed as argv[0]). When
// input is given it is what the engine reads from standard input; without
// it standard input is left as it is.
CapturedRun run_engine_captured(const std::vector<std::string>& args, const std::string* input = nullptr);

// The same on an argument vector the caller owns (and may inspect afterwards,
// as the engine leaves its selection state pointing into it).
CapturedRun capture_engine_call(int argc, char** argv, const std::string* input = nullptr);
