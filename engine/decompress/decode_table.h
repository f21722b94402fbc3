// Multi-level Huffman lookup tables, shared by inflate and explode.
//
// A first-level table of 2^m slots is indexed by the next m bits of the
// stream (least significant bit first). A slot either decodes a symbol or
// links to a sub-table that is indexed by further bits. Every table of one
// code sits in its own allocation of 2^j + 1 slots; the hidden slot in front
// of each table points to the next table of the same code, so that one walk
// from the first level frees them all.
#pragma once
#include <cstdint>

struct DecodeEntry {
    uint8_t op;    // DECODE_* below, or the extra bits (0-13) of a base value
    uint8_t bits;  // bits this slot consumes at its level
    union {
        uint16_t value;     // base value, literal byte or symbol
        DecodeEntry* next;  // sub-table (op 17-32), or the chain in a hidden slot
    };
};

// Meanings of op beyond the extra-bit counts 0 to 13.
constexpr uint8_t DECODE_END_OF_BLOCK = 15;
constexpr uint8_t DECODE_LITERAL = 16;   // above: link, op - 16 = sub-table bits
constexpr uint8_t DECODE_INVALID = 99;   // a pattern that is no code of the alphabet

constexpr int MAX_CODE_BITS = 16;   // longest code length accepted
constexpr int MAX_CODE_COUNT = 288; // most codes of one alphabet

// Results of build_decode_table.
enum : int {
    TABLE_COMPLETE = 0,
    TABLE_INCOMPLETE = 1,
    TABLE_OVERSUBSCRIBED = 2,
    TABLE_NO_MEMORY = 3,
};

// mask[n] = 2^n - 1 for n = 0 to 16.
extern const uint16_t bit_mask[MAX_CODE_BITS + 1];

// Builds the lookup tables for the code lengths lengths[0..count-1] (0 means
// the symbol has no code). Symbols below simple_count decode as themselves
// (op 16 below 256, op 15 from 256 on); symbol v at or above simple_count
// gets op extras[v - simple_count] and value bases[v - simple_count].
// lookup_bits: in, the wanted first-level width; out, the width built.
// When every length is 0 there is no table (*table = nullptr, width 0).
int build_decode_table(const unsigned* lengths, unsigned count, unsigned simple_count,
                       const uint16_t* bases, const uint8_t* extras,
                       DecodeEntry** table, int* lookup_bits);

// Releases every allocation of a table built by build_decode_table.
void free_decode_table(DecodeEntry* table);

// Owns one built table for the length of a scope.
struct DecodeTableOwner {
    DecodeEntry* table = nullptr;
    DecodeTableOwner() = default;
    DecodeTableOwner(const DecodeTableOwner&) = delete;
    DecodeTableOwner& operator=(const DecodeTableOwner&) = delete;
    ~DecodeTableOwner() { free_decode_table(table); }
};
