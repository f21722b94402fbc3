#include "tests/engine_core/engine_run.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "engine/engine.h"
#include "tests/support/zip_writer.h"

#ifdef _WIN32
#include <io.h>
#define dup_fd _dup
#define dup2_fd _dup2
#define close_fd _close
#define fileno_of _fileno
#else
#include <unistd.h>
#define dup_fd ::dup
#define dup2_fd ::dup2
#define close_fd ::close
#define fileno_of fileno
#endif

namespace {

// Sends one standard stream into a file while alive.
class StreamCapture {
public:
    StreamCapture(FILE* stream, int fd, const std::string& file) : stream_(stream), fd_(fd), file_(file)
    {
        std::fflush(stream_);
        saved_ = dup_fd(fd_);
        FILE* target = std::fopen(file_.c_str(), "wb");
        dup2_fd(fileno_of(target), fd_);
        std::fclose(target);
    }
    std::string finish()
    {
        std::fflush(stream_);
        dup2_fd(saved_, fd_);
        close_fd(saved_);
        std::string text = read_bytes(file_);
        std::remove(file_.c_str());
        return text;
    }

private:
    FILE* stream_;
    int fd_;
    std::string file_;
    int saved_ = -1;
};

std::string capture_file(const char* name)
{
    return (std::filesystem::temp_directory_path() / name).string();
}

}  // namespace

EngineRun run_engine(const std::vector<std::string>& args)
{
    EngineRun run;
    run.args = std::make_shared<std::vector<std::string>>();
    std::vector<std::string>& storage = *run.args;
    storage.push_back("unzip");
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*>& argv = run.argv;
    for (std::string& s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    StreamCapture out(stdout, 1, capture_file("qel_engine_core_out.txt"));
    StreamCapture err(stderr, 2, capture_file("qel_engine_core_err.txt"));
    run.result = engine_main(static_cast<int>(storage.size()), argv.data());
    run.err = err.finish();
    run.out = out.finish();
#ifdef _WIN32
    // Text-mode streams add CRs; compare with the engine's own line ends.
    for (std::string* text : {&run.out, &run.err}) {
        std::string plain;
        for (size_t i = 0; i < text->size(); ++i)
            if (!((*text)[i] == '\r' && i + 1 < text->size() && (*text)[i + 1] == '\n'))
                plain += (*text)[i];
        *text = plain;
    }
#endif
    return run;
}

ScratchDirectory::ScratchDirectory(const char* tag)
{
    std::error_code ec;
    previous_ = std::filesystem::current_path(ec).string();
    std::filesystem::path dir = std::filesystem::temp_directory_path() / (std::string("qel_core_") + tag);
    std::filesystem::remove_all(dir, ec);
    std::filesystem::create_directories(dir, ec);
    std::filesystem::current_path(dir, ec);
    path_ = dir.string();
}

ScratchDirectory::~ScratchDirectory()
{
    std::error_code ec;
    std::filesystem::current_path(previous_, ec);
    std::filesystem::remove_all(path_, ec);
}
