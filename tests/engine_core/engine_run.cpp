#include "tests/engine_core/engine_run.h"

#include <filesystem>
#include <system_error>

#include "tests/support/engine_capture.h"

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

    CapturedRun captured = capture_engine_call(static_cast<int>(storage.size()), argv.data());
    run.result = captured.result;
    run.out = std::move(captured.out);
    run.err = std::move(captured.err);
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
