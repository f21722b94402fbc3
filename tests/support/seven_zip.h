// 7-Zip as an outside judge of archives our test encoders make: where it can
// decode a method, it must accept what we write.
#pragma once
#include <string>

bool have_7zip();  // 7zz on the search path (never under wine)
// True when `7zz t` tests the archive without error; tag names the scratch file.
bool seven_zip_accepts(const std::string& archive_bytes, const std::string& tag);
