#include "tests/support/legacy_fixtures.h"

#include "tests/support/zip_writer.h"

namespace {

uint32_t le(const std::string& b, size_t at, int bytes)
{
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | static_cast<uint8_t>(b[at + i]);
    return value;
}

}  // namespace

std::vector<RawEntry> local_entries(const std::string& zip)
{
    std::vector<RawEntry> entries;
    size_t at = 0;
    while (at + 30 <= zip.size() && le(zip, at, 4) == 0x04034B50u) {
        RawEntry e;
        e.flags = static_cast<uint16_t>(le(zip, at + 6, 2));
        e.method = static_cast<uint16_t>(le(zip, at + 8, 2));
        e.crc = le(zip, at + 14, 4);
        uint32_t compressed = le(zip, at + 18, 4);
        e.size = le(zip, at + 22, 4);
        uint32_t name_length = le(zip, at + 26, 2), extra_length = le(zip, at + 28, 2);
        size_t data_at = at + 30 + name_length + extra_length;
        if (data_at + compressed > zip.size())
            break;
        e.name = zip.substr(at + 30, name_length);
        e.data = zip.substr(data_at, compressed);
        entries.push_back(e);
        at = data_at + compressed;
    }
    return entries;
}

std::string legacy_fixture_path(const char* name)
{
    return std::string(QEL_SHARED_FIXTURE_DIR) + "/legacy/" + name;
}

std::string legacy_fixture(const char* name)
{
    return read_bytes(legacy_fixture_path(name));
}
