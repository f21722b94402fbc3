#include "tests/support/engine_capture.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "engine/engine.h"
#include "tests/support/zip_writer.h"

#ifdef _WIN32
#include <io.h>
#define dup_fd _dup
#define dup2_fd _dup2
#define close_fd _close
#else
#include <unistd.h>
#define dup_fd ::dup
#define dup2_fd ::dup2
#define close_fd ::close
#endif

namespace {

// A file in the temporary directory, which is the test process's own.
std::string scratch_file(const char* role)
{
    std::error_code ec;
    std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
    return (dir / ("qel_capture_" + std::string(role) + ".txt")).string();
}

// Puts a file on one standard descriptor while alive.
class Redirect {
public:
    Redirect(FILE* stream, int fd, const std::string& file, const char* mode) : stream_(stream), fd_(fd), file_(file)
    {
        std::fflush(stream_);
        saved_ = dup_fd(fd_);
        FILE* target = std::fopen(file_.c_str(), mode);
        if (target != nullptr) {
            dup2_fd(fileno(target), fd_);
            std::fclose(target);
        }
        std::clearerr(stream_);
    }
    // Restores the descriptor; returns what the file holds.
    std::string finish()
    {
        if (saved_ < 0)
            return {};
        std::fflush(stream_);
        dup2_fd(saved_, fd_);
        close_fd(saved_);
        saved_ = -1;
        std::clearerr(stream_);
        std::string text = read_bytes(file_);
        std::remove(file_.c_str());
        return text;
    }
    ~Redirect() { finish(); }

private:
    FILE* stream_;
    int fd_;
    std::string file_;
    int saved_ = -1;
};

#ifdef _WIN32
// Text-mode streams add CRs; compare with the engine's own line ends.
void drop_crs(std::string& text)
{
    std::string plain;
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            plain += text[i];
    text = plain;
}
#endif

}  // namespace

CapturedRun run_engine_captured(const std::vector<std::string>& args, const std::string* input)
{
    // The engine edits its arguments in place: give it writable copies.
    std::vector<std::unique_ptr<char[]>> storage;
    std::vector<char*> argv;
    auto add = [&](const std::string& word) {
        storage.emplace_back(new char[word.size() + 1]);
        std::memcpy(storage.back().get(), word.c_str(), word.size() + 1);
        argv.push_back(storage.back().get());
    };
    add("unzip");
    for (const std::string& word : args)
        add(word);
    argv.push_back(nullptr);
    return capture_engine_call(static_cast<int>(argv.size()) - 1, argv.data(), input);
}

CapturedRun capture_engine_call(int argc, char** argv, const std::string* input)
{
    std::unique_ptr<Redirect> in;
    if (input != nullptr) {
        std::string in_file = scratch_file("in");
        write_bytes(in_file, *input);
        in = std::make_unique<Redirect>(stdin, 0, in_file, "rb");
    }
    CapturedRun run;
    {
        Redirect out(stdout, 1, scratch_file("out"), "wb");
        Redirect err(stderr, 2, scratch_file("err"), "wb");
        run.result = engine_main(argc, argv);
        run.err = err.finish();
        run.out = out.finish();
    }
    if (in) {
        // Drain what the engine left unread so that no buffered answer
        // reaches a later run.
        char line[256];
        while (std::fgets(line, sizeof line, stdin) != nullptr) {
        }
        in->finish();
    }
#ifdef _WIN32
    drop_crs(run.out);
    drop_crs(run.err);
#endif
    return run;
}
