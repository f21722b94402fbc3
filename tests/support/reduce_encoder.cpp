#include "tests/support/reduce_encoder.h"

#include <algorithm>
#include <array>

#include "tests/support/shrink_encoder.h"

int reduce_length_mask(int factor)
{
    return 0xFF >> factor;
}

int reduce_max_length(int factor)
{
    return reduce_length_mask(factor) + 255 + 3;
}

int reduce_max_distance(int factor)
{
    return 256 << factor;
}

namespace {

int index_bits(int count)
{
    int bits = 1;
    while ((1 << bits) < count)
        ++bits;
    return bits;
}

void append_match(std::vector<uint8_t>& symbols, int factor, int length, int distance,
                  ReduceStats& stats)
{
    int mask = reduce_length_mask(factor);
    int length_code = length - 3;
    int high = (distance - 1) >> 8;
    int v = std::min(length_code, mask) | (high << (8 - factor));
    symbols.push_back(REDUCE_DLE);
    symbols.push_back(static_cast<uint8_t>(v));
    if (length_code >= mask) {
        symbols.push_back(static_cast<uint8_t>(length_code - mask));
        ++stats.long_lengths;
    }
    symbols.push_back(static_cast<uint8_t>((distance - 1) & 0xFF));
    ++stats.matches;
    stats.longest_match = std::max(stats.longest_match, length);
    stats.farthest_match = std::max(stats.farthest_match, distance);
}

// Greedy parse with hash chains on three bytes. A match of length 3 within
// 256 bytes would have V = 0, which means a literal 144, so it is not used.
std::vector<uint8_t> parse(const std::string& input, int factor, const ReduceOptions& options,
                           ReduceStats& stats)
{
    const int max_length = reduce_max_length(factor);
    const int max_distance = reduce_max_distance(factor);
    const size_t n = input.size();
    auto byte_at = [&](size_t i) { return static_cast<uint8_t>(input[i]); };
    auto hash_at = [&](size_t i) { return (byte_at(i) << 10 ^ byte_at(i + 1) << 5 ^ byte_at(i + 2)) & 0x7FFF; };
    std::vector<int> head(0x8000, -1), previous(n, -1);
    auto insert = [&](size_t i) {
        if (i + 2 < n) {
            int h = hash_at(i);
            previous[i] = head[h];
            head[h] = static_cast<int>(i);
        }
    };

    std::vector<uint8_t> symbols;
    size_t pos = 0;
    while (pos < n) {
        int best_length = 0, best_distance = 0;
        if (options.matches && pos + 2 < n) {
            int candidate = head[hash_at(pos)];
            for (int chain = 0; candidate >= 0 && chain < options.max_chain; ++chain) {
                int distance = static_cast<int>(pos) - candidate;
                if (distance > max_distance)
                    break;
                int length = 0;
                while (length < max_length && pos + length < n &&
                       input[candidate + length] == input[pos + length])
                    ++length;
                bool usable = length >= 4 || (length == 3 && distance > 256);
                if (usable && length > best_length) {
                    best_length = length;
                    best_distance = distance;
                }
                candidate = previous[candidate];
            }
        }
        if (best_length > 0) {
            append_match(symbols, factor, best_length, best_distance, stats);
            for (int i = 0; i < best_length; ++i)
                insert(pos + i);
            pos += best_length;
            continue;
        }
        uint8_t byte = byte_at(pos);
        symbols.push_back(byte);
        if (byte == REDUCE_DLE) {
            symbols.push_back(0);
            ++stats.escaped_dle;
        }
        insert(pos);
        ++pos;
    }
    return symbols;
}

}  // namespace

std::string code_symbols(const std::vector<uint8_t>& symbols, int max_followers, ReduceStats* stats)
{
    // Count the byte pairs, starting from the decoder's previous symbol 0.
    std::vector<std::array<int, 256>> pairs(256);
    for (auto& row : pairs)
        row.fill(0);
    int previous = 0;
    for (uint8_t symbol : symbols) {
        ++pairs[previous][symbol];
        previous = symbol;
    }
    // The most frequent followers of each byte, most frequent first.
    std::vector<std::vector<uint8_t>> sets(256);
    for (int value = 0; value < 256; ++value) {
        std::vector<int> order;
        for (int next = 0; next < 256; ++next)
            if (pairs[value][next] > 0)
                order.push_back(next);
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return pairs[value][a] > pairs[value][b]; });
        int count = std::min<int>(static_cast<int>(order.size()), std::min(max_followers, 63));
        for (int i = 0; i < count; ++i)
            sets[value].push_back(static_cast<uint8_t>(order[i]));
    }

    LsbBitWriter writer;
    for (int value = 255; value >= 0; --value) {
        writer.put(static_cast<uint32_t>(sets[value].size()), 6);
        for (uint8_t follower : sets[value])
            writer.put(follower, 8);
    }
    ReduceStats ignored;
    ReduceStats& s = stats ? *stats : ignored;
    previous = 0;
    for (uint8_t symbol : symbols) {
        const std::vector<uint8_t>& set = sets[previous];
        auto found = std::find(set.begin(), set.end(), symbol);
        if (set.empty()) {
            writer.put(symbol, 8);
            ++s.literal_codes;
        } else if (found == set.end()) {
            writer.put(1, 1);
            writer.put(symbol, 8);
            ++s.literal_codes;
        } else {
            writer.put(0, 1);
            writer.put(static_cast<uint32_t>(found - set.begin()), index_bits(static_cast<int>(set.size())));
            ++s.follower_codes;
        }
        previous = symbol;
    }
    return writer.finish();
}

ReducedData reduce(const std::string& input, int factor, const ReduceOptions& options)
{
    ReducedData result;
    result.crc = reference_crc32(input);
    std::vector<uint8_t> symbols = parse(input, factor, options, result.stats);
    result.compressed = code_symbols(symbols, options.max_followers, &result.stats);
    return result;
}
