#include "tests/support/seven_zip.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "tests/support/zip_writer.h"

bool have_7zip()
{
#ifdef _WIN32
    return false;
#else
    return std::system("command -v 7zz >/dev/null 2>&1") == 0;
#endif
}

bool seven_zip_accepts(const std::string& archive_bytes, const std::string& tag)
{
    std::string path = ::testing::TempDir() + "qel_7z_" + tag + ".zip";
    if (!write_bytes(path, archive_bytes))
        return false;
    std::string command = "7zz t -bso0 -bse0 -bsp0 '" + path + "' >/dev/null 2>&1";
    bool ok = std::system(command.c_str()) == 0;
    std::remove(path.c_str());
    return ok;
}
