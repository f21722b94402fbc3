// A reducer for tests: the raw data of a method 2-5 entry (compression factor
// 1 to 4). The input is parsed into literals and matches, written as a symbol
// stream with DLE (144) escapes, and the symbols are coded with follower sets
// chosen from the stream's own byte pairs.
//
// Symbol stream: a byte other than 144 stands for itself; 144 0 is the byte
// 144; 144 V [L] D is a match, with length bits and the distance's high bits
// in V, an extra length byte L when the length bits are all ones, and the
// distance's low byte D.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

constexpr int REDUCE_DLE = 144;

struct ReduceOptions {
    bool matches = true;     // false: literals only
    int max_followers = 32;  // 0 to 63 followers per byte value
    int max_chain = 256;     // match candidates examined per position
};

struct ReduceStats {
    int matches = 0;
    int longest_match = 0;
    int farthest_match = 0;
    int long_lengths = 0;     // matches that needed the extra length byte
    int escaped_dle = 0;      // literal 144 written as 144 0
    int follower_codes = 0;   // symbols coded as a follower index
    int literal_codes = 0;    // symbols coded as flag bit and 8 bits or plain 8 bits
};

struct ReducedData {
    std::string compressed;
    uint32_t crc = 0;         // CRC-32 of the input
    ReduceStats stats;
};

// factor 1 to 4 (method 2 to 5).
ReducedData reduce(const std::string& input, int factor, const ReduceOptions& options = {});

// Codes a ready symbol stream with follower sets built from it (for
// hand-made streams); adds to stats when given.
std::string code_symbols(const std::vector<uint8_t>& symbols, int max_followers,
                         ReduceStats* stats = nullptr);

// Longest match, largest distance and length field mask for a factor.
int reduce_max_length(int factor);
int reduce_max_distance(int factor);
int reduce_length_mask(int factor);
