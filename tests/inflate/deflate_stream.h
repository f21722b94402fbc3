// Hand-made deflate streams for tests that need exact control over block
// headers, code lengths and symbols.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Appends bits least significant first, as deflate packs them.
class BitWriter {
public:
    void put(uint32_t value, int count)
    {
        for (int i = 0; i < count; i++) {
            pending_ |= ((value >> i) & 1u) << filled_;
            if (++filled_ == 8)
                flush_byte();
        }
    }
    // Huffman codes go most significant bit first.
    void put_code(uint32_t code, int length)
    {
        for (int i = length - 1; i >= 0; i--)
            put((code >> i) & 1u, 1);
    }
    void align()
    {
        if (filled_ > 0)
            flush_byte();
    }
    void put_byte(uint8_t byte) { put(byte, 8); }
    std::string finish()
    {
        align();
        return bytes_;
    }

private:
    void flush_byte()
    {
        bytes_.push_back(static_cast<char>(pending_));
        pending_ = 0;
        filled_ = 0;
    }
    std::string bytes_;
    uint32_t pending_ = 0;
    int filled_ = 0;
};

// Canonical codes for the given lengths (RFC 1951, 3.2.2).
inline std::vector<uint32_t> canonical_codes(const std::vector<int>& lengths)
{
    int count[17] = {};
    for (int len : lengths)
        count[len]++;
    count[0] = 0;
    uint32_t next[17] = {};
    uint32_t code = 0;
    for (int bits = 1; bits <= 16; bits++) {
        code = (code + count[bits - 1]) << 1;
        next[bits] = code;
    }
    std::vector<uint32_t> codes(lengths.size());
    for (size_t i = 0; i < lengths.size(); i++)
        if (lengths[i] != 0)
            codes[i] = next[lengths[i]]++;
    return codes;
}

// One symbol of a code-length sequence: the symbol (0-18) and its extra value.
using LengthSymbol = std::pair<int, int>;

// One length symbol per length, no repeats.
inline std::vector<LengthSymbol> plain_length_symbols(const std::vector<int>& lengths)
{
    std::vector<LengthSymbol> symbols;
    for (int len : lengths)
        symbols.push_back({len, 0});
    return symbols;
}

// Writes a dynamic block header. The code-length code gives every one of the
// 19 symbols a code (16, 17, 18, 0, 8, 7 of 5 bits, the rest of 4 bits), so
// any sequence of length symbols can be sent.
struct DynamicHeader {
    std::vector<int> literal_lengths;   // 257 to 288 entries
    std::vector<int> distance_lengths;  // 1 to 32 entries
    std::vector<LengthSymbol> length_symbols;  // default: plain_length_symbols
    std::vector<int> code_length_lengths;      // 19, by symbol; default: complete code above
};

inline void write_dynamic_header(BitWriter& w, bool last, const DynamicHeader& h)
{
    static const int order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    std::vector<int> cl_lengths(19, 4);
    for (int i = 0; i < 6; i++)
        cl_lengths[order[i]] = 5;
    if (!h.code_length_lengths.empty())
        cl_lengths = h.code_length_lengths;
    std::vector<uint32_t> cl_codes = canonical_codes(cl_lengths);

    w.put(last ? 1 : 0, 1);
    w.put(2, 2);
    w.put(static_cast<uint32_t>(h.literal_lengths.size() - 257), 5);
    w.put(static_cast<uint32_t>(h.distance_lengths.size() - 1), 5);
    w.put(19 - 4, 4);
    for (int i = 0; i < 19; i++)
        w.put(static_cast<uint32_t>(cl_lengths[order[i]]), 3);

    std::vector<LengthSymbol> symbols = h.length_symbols;
    if (symbols.empty()) {
        std::vector<int> all = h.literal_lengths;
        all.insert(all.end(), h.distance_lengths.begin(), h.distance_lengths.end());
        symbols = plain_length_symbols(all);
    }
    for (auto [symbol, extra] : symbols) {
        w.put_code(cl_codes[symbol], cl_lengths[symbol]);
        if (symbol == 16)
            w.put(static_cast<uint32_t>(extra), 2);
        else if (symbol == 17)
            w.put(static_cast<uint32_t>(extra), 3);
        else if (symbol == 18)
            w.put(static_cast<uint32_t>(extra), 7);
    }
}

// Codes of a block, to write symbols with.
struct BlockCodes {
    std::vector<int> literal_lengths, distance_lengths;
    std::vector<uint32_t> literal_codes, distance_codes;

    BlockCodes(std::vector<int> literals, std::vector<int> distances)
        : literal_lengths(std::move(literals)), distance_lengths(std::move(distances)),
          literal_codes(canonical_codes(literal_lengths)),
          distance_codes(canonical_codes(distance_lengths))
    {
    }
    // The fixed code of RFC 1951.
    static BlockCodes fixed()
    {
        std::vector<int> literals(288);
        for (int i = 0; i < 288; i++)
            literals[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
        return BlockCodes(literals, std::vector<int>(30, 5));
    }
    void literal(BitWriter& w, int symbol) const
    {
        w.put_code(literal_codes[symbol], literal_lengths[symbol]);
    }
    void distance(BitWriter& w, int symbol) const
    {
        w.put_code(distance_codes[symbol], distance_lengths[symbol]);
    }
    void end_of_block(BitWriter& w) const { literal(w, 256); }
    // A match: length 3-258, distance 1-32768, with their extra bits.
    void match(BitWriter& w, int length, int dist) const
    {
        static const int length_start[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,
                                             15, 17, 19, 23, 27, 31, 35, 43, 51,  59,
                                             67, 83, 99, 115, 131, 163, 195, 227, 258};
        static const int length_bits[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                            2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
        static const int dist_start[30] = {1,    2,    3,    4,    5,    7,    9,    13,
                                           17,   25,   33,   49,   65,   97,   129,  193,
                                           257,  385,  513,  769,  1025, 1537, 2049, 3073,
                                           4097, 6145, 8193, 12289, 16385, 24577};
        int lc = 28;
        while (length_start[lc] > length)
            lc--;
        literal(w, 257 + lc);
        w.put(static_cast<uint32_t>(length - length_start[lc]), length_bits[lc]);
        int dc = 29;
        while (dist_start[dc] > dist)
            dc--;
        distance(w, dc);
        w.put(static_cast<uint32_t>(dist - dist_start[dc]), dc < 4 ? 0 : dc / 2 - 1);
    }
};
