// A shrinker for tests: LZW with codes of 9 to 13 bits, the control code 256
// for widening (256 1) and partial clearing (256 2), producing the raw data of
// a method-1 entry. The test can place widenings and partial clears anywhere,
// and the statistics tell which features a stream really exercises.
//
// The encoder keeps exactly the table a decoder keeps: the entry for the
// previous code and the next phrase's first byte is assigned before that
// phrase is matched, so a phrase may be that very entry (the LZW special
// case). An entry whose prefix was freed by a partial clear is assigned like
// any other but never used, as its string is not defined.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Bits least significant first, as the legacy methods store them.
class LsbBitWriter {
public:
    void put(uint32_t value, int bits);
    std::string finish();  // pads the last byte with zero bits
private:
    std::string bytes_;
    uint64_t pending_ = 0;
    int pending_bits_ = 0;
};

struct ShrinkOptions {
    // Input offsets: a partial clear (256 2) goes before the first phrase that
    // starts at or after each offset; the same for an extra widening (256 1).
    std::vector<size_t> clear_at;
    std::vector<size_t> widen_at;
    // Issue a partial clear whenever the table has just become full, as the
    // classic archivers do.
    bool clear_when_full = false;
};

struct ShrinkStats {
    int codes = 0;              // codes written, control codes excluded
    int widenings = 0;
    int partial_clears = 0;
    int clears_with_holes = 0;  // clears while assigned entries lay above next_free_code
    int freed_entries = 0;      // over all partial clears
    int special_cases = 0;      // phrases that were the entry being assigned
    int reused_codes = 0;       // phrases coded by an entry assigned into a freed slot
    int lowest_freed = 0;       // lowest entry freed by the last partial clear (0: none)
    int first_assigned_after_clear = 0;  // entry assigned right after it
    int codes_while_full = 0;   // phrases coded while all 8192 entries were assigned
    int final_width = 9;
};

struct ShrunkData {
    std::string compressed;
    uint32_t crc = 0;           // CRC-32 of the input
    ShrinkStats stats;
};

ShrunkData shrink(const std::string& input, const ShrinkOptions& options = {});

// Codes of the given widths packed as a shrunk stream (for hand-made data).
struct RawCode {
    uint32_t value;
    int width;
};
std::string pack_codes(const std::vector<RawCode>& codes);

// CRC-32 of data computed bit by bit, independent of the engine's table.
uint32_t reference_crc32(const std::string& data);

// Deterministic test inputs: words, spaces and line ends from a small
// vocabulary (compresses well), and bytes of a linear congruential generator
// (does not compress, so it fills an LZW table quickly).
std::string sample_text(size_t size, uint32_t seed = 1);
std::string sample_noise(size_t size, uint32_t seed = 1);
