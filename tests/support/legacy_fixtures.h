// The real-world archives of the legacy methods in the shared fixture folder,
// and a walk over their local headers that hands out each entry's raw data,
// so decoders can be tested on them without the rest of the engine.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct RawEntry {
    std::string name;
    uint16_t method = 0;
    uint16_t flags = 0;
    uint32_t crc = 0;
    uint32_t size = 0;   // uncompressed
    std::string data;    // compressed bytes
};

// Walks the local headers from the start of the archive; stops at the first
// header that is not one or whose data runs past the end.
std::vector<RawEntry> local_entries(const std::string& zip);

// Path and bytes of a fixture archive in the shared legacy folder.
std::string legacy_fixture_path(const char* name);
std::string legacy_fixture(const char* name);
