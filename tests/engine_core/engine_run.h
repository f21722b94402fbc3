// Runs engine_main as the installer does, with writable argument copies, and
// captures what it writes to standard output and standard error.
#pragma once
#include <memory>
#include <string>
#include <vector>

struct EngineRun {
    int result = 0;
    std::string out;
    std::string err;
    // The argument texts and vector as the engine left them; the selection
    // state (include_patterns ...) points into them.
    std::shared_ptr<std::vector<std::string>> args;
    std::vector<char*> argv;
};

// args excludes the program name; "unzip" is passed as argv[0].
EngineRun run_engine(const std::vector<std::string>& args);

// A fresh empty directory that becomes the current directory for the
// lifetime of the object; the previous current directory is restored after.
class ScratchDirectory {
public:
    explicit ScratchDirectory(const char* tag);
    ~ScratchDirectory();
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::string previous_;
};
