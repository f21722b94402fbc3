#include "tests/support/implode_encoder.h"

#include <algorithm>
#include <cstddef>
#include <queue>
#include <utility>

namespace {

constexpr uint16_t FLAG_8K = 0x0002;
constexpr uint16_t FLAG_LITERAL_TREE = 0x0004;
constexpr int MAX_LENGTH_BITS = 16;

int raw_distance_bits(uint16_t flags) { return flags & FLAG_8K ? 7 : 6; }
int min_match(uint16_t flags) { return flags & FLAG_LITERAL_TREE ? 3 : 2; }

// Appends bits least significant first.
struct Bits {
    std::string bytes;
    uint32_t pending = 0;
    int filled = 0;
    void put(uint32_t value, int count)
    {
        for (int i = 0; i < count; i++) {
            pending |= ((value >> i) & 1u) << filled;
            if (++filled == 8) {
                bytes.push_back(static_cast<char>(pending));
                pending = 0;
                filled = 0;
            }
        }
    }
};

// The symbols of a match: length code with its extra byte, distance code
// with its raw low bits.
struct MatchSymbols {
    int length_code, length_extra, distance_code;
    uint32_t distance_low;
};

MatchSymbols match_symbols(const ImplodeToken& t, uint16_t flags)
{
    MatchSymbols m{};
    int length = t.length - min_match(flags);
    m.length_code = std::min(length, 63);
    m.length_extra = length - m.length_code;
    int low = raw_distance_bits(flags);
    m.distance_code = (t.distance - 1) >> low;
    m.distance_low = static_cast<uint32_t>(t.distance - 1) & ((1u << low) - 1);
    return m;
}

// Huffman code lengths for every symbol (each counted at least once),
// limited to 16 bits by flattening the counts until the tree fits.
std::vector<int> code_lengths(std::vector<uint64_t> counts)
{
    size_t n = counts.size();
    for (;;) {
        using Node = std::pair<uint64_t, int>;  // weight, node index
        std::priority_queue<Node, std::vector<Node>, std::greater<Node>> heap;
        std::vector<int> parent(2 * n, -1);
        for (size_t i = 0; i < n; i++)
            heap.push({counts[i] + 1, static_cast<int>(i)});
        int next = static_cast<int>(n);
        while (heap.size() > 1) {
            Node a = heap.top();
            heap.pop();
            Node b = heap.top();
            heap.pop();
            parent[a.second] = next;
            parent[b.second] = next;
            heap.push({a.first + b.first, next++});
        }
        std::vector<int> lengths(n);
        int longest = 0;
        for (size_t i = 0; i < n; i++) {
            int depth = 0;
            for (int p = parent[i]; p != -1; p = parent[p])
                depth++;
            lengths[i] = depth;
            longest = std::max(longest, depth);
        }
        if (longest <= MAX_LENGTH_BITS)
            return lengths;
        for (auto& c : counts)
            c /= 2;
    }
}

// Canonical codes (shorter first, by symbol within a length).
std::vector<uint32_t> canonical_codes(const std::vector<int>& lengths)
{
    int count[MAX_LENGTH_BITS + 1] = {};
    for (int len : lengths)
        count[len]++;
    uint32_t next[MAX_LENGTH_BITS + 2] = {};
    uint32_t code = 0;
    for (int bits = 1; bits <= MAX_LENGTH_BITS; bits++) {
        code = (code + (bits > 1 ? count[bits - 1] : 0)) << 1;
        next[bits] = code;
    }
    std::vector<uint32_t> codes(lengths.size());
    for (size_t i = 0; i < lengths.size(); i++)
        codes[i] = next[lengths[i]]++;
    return codes;
}

// Writes a code inverted and most significant bit first: the stream holds
// the complement of the canonical code.
void put_code(Bits& out, const std::vector<uint32_t>& codes, const std::vector<int>& lengths, int symbol)
{
    int len = lengths[symbol];
    uint32_t inverted = ~codes[symbol];
    for (int i = len - 1; i >= 0; i--)
        out.put((inverted >> i) & 1u, 1);
}

}  // namespace

uint16_t implode_flags(bool dictionary_8k, bool literal_tree)
{
    return static_cast<uint16_t>((dictionary_8k ? FLAG_8K : 0) | (literal_tree ? FLAG_LITERAL_TREE : 0));
}

std::vector<ImplodeToken> implode_parse(const std::string& data, uint16_t flags)
{
    const size_t dictionary = flags & FLAG_8K ? 8192 : 4096;
    const size_t shortest = static_cast<size_t>(min_match(flags)) < 3 ? 3 : min_match(flags);
    const size_t longest = static_cast<size_t>(min_match(flags)) + 63 + 255;
    const int max_chain = 64;
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
    const size_t n = data.size();

    // Chains of earlier positions with the same three bytes.
    std::vector<int32_t> head(1 << 16, -1), previous(n, -1);
    auto hash = [&](size_t i) {
        return ((bytes[i] << 8) ^ (bytes[i + 1] << 4) ^ bytes[i + 2]) & 0xffff;
    };
    auto insert = [&](size_t i) {
        if (i + 2 < n) {
            int h = hash(i);
            previous[i] = head[h];
            head[h] = static_cast<int32_t>(i);
        }
    };

    std::vector<ImplodeToken> tokens;
    size_t i = 0;
    while (i < n) {
        size_t best_length = 0, best_distance = 0;
        if (i + 2 < n) {
            int chain = max_chain;
            for (int32_t p = head[hash(i)]; p >= 0 && chain-- > 0; p = previous[p]) {
                size_t distance = i - static_cast<size_t>(p);
                if (distance > dictionary)
                    break;
                size_t len = 0;
                size_t limit = std::min(longest, n - i);
                while (len < limit && bytes[p + len] == bytes[i + len])
                    len++;
                if (len > best_length) {
                    best_length = len;
                    best_distance = distance;
                }
            }
        }
        if (best_length >= shortest) {
            tokens.push_back(match_token(static_cast<uint16_t>(best_length),
                                         static_cast<uint16_t>(best_distance)));
            for (size_t k = 0; k < best_length; k++)
                insert(i + k);
            i += best_length;
        } else {
            tokens.push_back(literal_token(bytes[i]));
            insert(i);
            i++;
        }
    }
    return tokens;
}

ImplodeTrees implode_trees(const std::vector<ImplodeToken>& tokens, uint16_t flags)
{
    std::vector<uint64_t> literal(256), length(64), distance(64);
    for (const ImplodeToken& t : tokens) {
        if (t.literal) {
            literal[t.byte]++;
        } else {
            MatchSymbols m = match_symbols(t, flags);
            length[m.length_code]++;
            distance[m.distance_code]++;
        }
    }
    ImplodeTrees trees;
    if (flags & FLAG_LITERAL_TREE)
        trees.literal = code_lengths(literal);
    trees.length = code_lengths(length);
    trees.distance = code_lengths(distance);
    return trees;
}

std::string implode_length_list(const std::vector<int>& lengths)
{
    std::string items;
    for (size_t i = 0; i < lengths.size();) {
        size_t run = 1;
        while (run < 16 && i + run < lengths.size() && lengths[i + run] == lengths[i])
            run++;
        items.push_back(static_cast<char>(((run - 1) << 4) | static_cast<size_t>(lengths[i] - 1)));
        i += run;
    }
    return static_cast<char>(items.size() - 1) + items;
}

std::string implode_tokens(const std::vector<ImplodeToken>& tokens, uint16_t flags,
                           const ImplodeTrees& trees)
{
    const bool literal_tree = flags & FLAG_LITERAL_TREE;
    std::string header;
    if (literal_tree)
        header += implode_length_list(trees.literal);
    header += implode_length_list(trees.length);
    header += implode_length_list(trees.distance);

    std::vector<uint32_t> literal_codes = literal_tree ? canonical_codes(trees.literal) : std::vector<uint32_t>();
    std::vector<uint32_t> length_codes = canonical_codes(trees.length);
    std::vector<uint32_t> distance_codes = canonical_codes(trees.distance);

    Bits out;
    for (const ImplodeToken& t : tokens) {
        if (t.literal) {
            out.put(1, 1);
            if (literal_tree)
                put_code(out, literal_codes, trees.literal, t.byte);
            else
                out.put(t.byte, 8);
            continue;
        }
        MatchSymbols m = match_symbols(t, flags);
        out.put(0, 1);
        out.put(m.distance_low, raw_distance_bits(flags));
        put_code(out, distance_codes, trees.distance, m.distance_code);
        put_code(out, length_codes, trees.length, m.length_code);
        if (m.length_code == 63)
            out.put(static_cast<uint32_t>(m.length_extra), 8);
    }
    if (out.filled > 0)
        out.bytes.push_back(static_cast<char>(out.pending));
    return header + out.bytes;
}

std::string implode(const std::string& data, uint16_t flags)
{
    std::vector<ImplodeToken> tokens = implode_parse(data, flags);
    return implode_tokens(tokens, flags, implode_trees(tokens, flags));
}
