#include "tests/support/zip_writer.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#ifdef QEL_HAVE_ZLIB
#include <zlib.h>
#endif

namespace {

// ---- little-endian output -------------------------------------------------

void put16(std::string& out, uint32_t v)
{
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

void put32(std::string& out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// ---- the writer's own deflate encoder ---------------------------------------
// Greedy LZ77 over a hash of three bytes, then one final block coded with the
// fixed or with a dynamic Huffman code. Small and slow, but every stream is
// valid and dynamic blocks can be forced for any input.

constexpr std::array<uint16_t, 29> LENGTH_BASE = {3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27,
                                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<uint8_t, 29> LENGTH_EXTRA = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<uint16_t, 30> DIST_BASE = {1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129,
                                                193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097,
                                                6145, 8193, 12289, 16385, 24577};
constexpr std::array<uint8_t, 30> DIST_EXTRA = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6,
                                                6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr std::array<uint8_t, 19> CODE_LENGTH_ORDER = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5,
                                                       11, 4, 12, 3, 13, 2, 14, 1, 15};

struct Symbol {
    uint16_t length;    // 0: literal
    uint16_t value;     // literal byte or distance
};

struct BitWriter {
    std::string out;
    uint32_t bits = 0;
    int count = 0;
    void put(uint32_t value, int n)
    {
        bits |= value << count;
        count += n;
        while (count >= 8) {
            out += static_cast<char>(bits & 0xFF);
            bits >>= 8;
            count -= 8;
        }
    }
    // Huffman codes go most significant bit first.
    void put_code(uint32_t code, int n)
    {
        uint32_t reversed = 0;
        for (int i = 0; i < n; ++i)
            reversed |= ((code >> i) & 1u) << (n - 1 - i);
        put(reversed, n);
    }
    void finish()
    {
        if (count > 0)
            out += static_cast<char>(bits & 0xFF);
        bits = 0;
        count = 0;
    }
};

std::vector<Symbol> lz77(const std::string& data)
{
    std::vector<Symbol> symbols;
    std::vector<int> head(1 << 15, -1), prev(data.size(), -1);
    auto hash = [&](size_t i) {
        return ((static_cast<uint8_t>(data[i]) << 10) ^ (static_cast<uint8_t>(data[i + 1]) << 5) ^
                static_cast<uint8_t>(data[i + 2])) & 0x7FFF;
    };
    auto insert = [&](size_t i) {
        if (i + 2 < data.size()) {
            int h = hash(i);
            prev[i] = head[h];
            head[h] = static_cast<int>(i);
        }
    };
    size_t i = 0;
    while (i < data.size()) {
        size_t best_len = 0, best_dist = 0;
        if (i + 2 < data.size()) {
            int candidate = head[hash(i)];
            for (int chain = 0; candidate >= 0 && chain < 64; ++chain, candidate = prev[candidate]) {
                size_t dist = i - static_cast<size_t>(candidate);
                if (dist > 32768)
                    break;
                size_t len = 0;
                while (len < 258 && i + len < data.size() && data[candidate + len] == data[i + len])
                    ++len;
                if (len > best_len) {
                    best_len = len;
                    best_dist = dist;
                }
            }
        }
        if (best_len >= 3) {
            symbols.push_back({static_cast<uint16_t>(best_len), static_cast<uint16_t>(best_dist)});
            for (size_t k = 0; k < best_len; ++k)
                insert(i + k);
            i += best_len;
        } else {
            symbols.push_back({0, static_cast<uint8_t>(data[i])});
            insert(i);
            ++i;
        }
    }
    return symbols;
}

int length_code(int length)
{
    int code = 28;
    while (LENGTH_BASE[code] > length)
        --code;
    return code;
}

int dist_code(int dist)
{
    int code = 29;
    while (DIST_BASE[code] > dist)
        --code;
    return code;
}

// Huffman code lengths for the frequencies, limited to max_bits by halving
// the frequencies until the tree is shallow enough.
std::vector<uint8_t> huffman_lengths(std::vector<uint32_t> freq, int max_bits)
{
    const size_t n = freq.size();
    for (;;) {
        std::vector<uint8_t> lengths(n, 0);
        struct Node { uint64_t weight; int left, right; };
        std::vector<Node> nodes;
        std::vector<int> live;
        for (size_t s = 0; s < n; ++s)
            if (freq[s]) {
                nodes.push_back({freq[s], -1, static_cast<int>(s)});
                live.push_back(static_cast<int>(nodes.size()) - 1);
            }
        if (live.size() == 1) {
            lengths[nodes[0].right] = 1;
            return lengths;
        }
        while (live.size() > 1) {
            std::sort(live.begin(), live.end(), [&](int a, int b) { return nodes[a].weight > nodes[b].weight; });
            int a = live.back(); live.pop_back();
            int b = live.back(); live.pop_back();
            nodes.push_back({nodes[a].weight + nodes[b].weight, a, b});
            live.push_back(static_cast<int>(nodes.size()) - 1);
        }
        int deepest = 0;
        std::vector<std::pair<int, int>> stack = {{live[0], 0}};
        while (!stack.empty()) {
            auto [node, depth] = stack.back();
            stack.pop_back();
            if (nodes[node].left < 0) {
                lengths[nodes[node].right] = static_cast<uint8_t>(depth);
                deepest = std::max(deepest, depth);
            } else {
                stack.push_back({nodes[node].left, depth + 1});
                stack.push_back({nodes[node].right, depth + 1});
            }
        }
        if (deepest <= max_bits)
            return lengths;
        for (uint32_t& f : freq)
            if (f)
                f = (f + 1) / 2;
    }
}

std::vector<uint16_t> canonical_codes(const std::vector<uint8_t>& lengths)
{
    std::array<uint16_t, 17> count{}, next{};
    for (uint8_t l : lengths)
        if (l)
            ++count[l];
    uint16_t code = 0;
    for (int bits = 1; bits <= 16; ++bits) {
        code = static_cast<uint16_t>((code + count[bits - 1]) << 1);
        next[bits] = code;
    }
    std::vector<uint16_t> codes(lengths.size(), 0);
    for (size_t s = 0; s < lengths.size(); ++s)
        if (lengths[s])
            codes[s] = next[lengths[s]]++;
    return codes;
}

std::vector<uint8_t> fixed_literal_lengths()
{
    std::vector<uint8_t> l(288);
    for (int s = 0; s < 288; ++s)
        l[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
    return l;
}

// Run-length codes (16/17/18) of the concatenated code lengths.
struct LengthRun { uint8_t symbol; uint8_t extra_bits; uint8_t extra; };

std::vector<LengthRun> run_length(const std::vector<uint8_t>& lengths)
{
    std::vector<LengthRun> runs;
    size_t i = 0;
    while (i < lengths.size()) {
        size_t run = 1;
        while (i + run < lengths.size() && lengths[i + run] == lengths[i])
            ++run;
        if (lengths[i] == 0 && run >= 3) {
            size_t take = std::min<size_t>(run, 138);
            if (take >= 11)
                runs.push_back({18, 7, static_cast<uint8_t>(take - 11)});
            else
                runs.push_back({17, 3, static_cast<uint8_t>(take - 3)});
            i += take;
        } else if (lengths[i] != 0 && run >= 4) {
            runs.push_back({lengths[i], 0, 0});
            size_t take = std::min<size_t>(run - 1, 6);
            runs.push_back({16, 2, static_cast<uint8_t>(take - 3)});
            i += 1 + take;
        } else {
            runs.push_back({lengths[i], 0, 0});
            ++i;
        }
    }
    return runs;
}

void write_symbols(BitWriter& bw, const std::vector<Symbol>& symbols,
                   const std::vector<uint8_t>& lit_len, const std::vector<uint16_t>& lit_code,
                   const std::vector<uint8_t>& dist_len, const std::vector<uint16_t>& dist_code_of)
{
    for (const Symbol& s : symbols) {
        if (s.length == 0) {
            bw.put_code(lit_code[s.value], lit_len[s.value]);
            continue;
        }
        int lc = length_code(s.length);
        bw.put_code(lit_code[257 + lc], lit_len[257 + lc]);
        bw.put(s.length - LENGTH_BASE[lc], LENGTH_EXTRA[lc]);
        int dc = dist_code(s.value);
        bw.put_code(dist_code_of[dc], dist_len[dc]);
        bw.put(s.value - DIST_BASE[dc], DIST_EXTRA[dc]);
    }
    bw.put_code(lit_code[256], lit_len[256]);
}

std::string encode_fixed(const std::string& data)
{
    BitWriter bw;
    bw.put(1, 1);
    bw.put(1, 2);
    std::vector<uint8_t> lit_len = fixed_literal_lengths();
    std::vector<uint8_t> dist_len(30, 5);
    write_symbols(bw, lz77(data), lit_len, canonical_codes(lit_len), dist_len, canonical_codes(dist_len));
    bw.finish();
    return bw.out;
}

std::string encode_dynamic(const std::string& data)
{
    std::vector<Symbol> symbols = lz77(data);
    std::vector<uint32_t> lit_freq(286, 0), dist_freq(30, 0);
    for (const Symbol& s : symbols) {
        if (s.length == 0) {
            ++lit_freq[s.value];
        } else {
            ++lit_freq[257 + length_code(s.length)];
            ++dist_freq[dist_code(s.value)];
        }
    }
    lit_freq[256] = 1;
    // Complete codes: at least two symbols in each alphabet.
    if (std::count_if(lit_freq.begin(), lit_freq.end(), [](uint32_t f) { return f != 0; }) < 2)
        lit_freq[data.empty() ? 0 : (static_cast<uint8_t>(data[0]) ^ 1)] += 1;
    dist_freq[0] += dist_freq[0] ? 0 : 1;
    dist_freq[1] += dist_freq[1] ? 0 : 1;
    std::vector<uint8_t> lit_len = huffman_lengths(lit_freq, 15);
    std::vector<uint8_t> dist_len = huffman_lengths(dist_freq, 15);
    int hlit = 286, hdist = 30;
    while (hlit > 257 && lit_len[hlit - 1] == 0)
        --hlit;
    while (hdist > 1 && dist_len[hdist - 1] == 0)
        --hdist;
    std::vector<uint8_t> all(lit_len.begin(), lit_len.begin() + hlit);
    all.insert(all.end(), dist_len.begin(), dist_len.begin() + hdist);
    std::vector<LengthRun> runs = run_length(all);
    std::vector<uint32_t> cl_freq(19, 0);
    for (const LengthRun& r : runs)
        ++cl_freq[r.symbol];
    if (std::count_if(cl_freq.begin(), cl_freq.end(), [](uint32_t f) { return f != 0; }) < 2)
        cl_freq[cl_freq[0] ? 1 : 0] += 1;
    std::vector<uint8_t> cl_len = huffman_lengths(cl_freq, 7);
    std::vector<uint16_t> cl_code = canonical_codes(cl_len);
    int hclen = 19;
    while (hclen > 4 && cl_len[CODE_LENGTH_ORDER[hclen - 1]] == 0)
        --hclen;

    BitWriter bw;
    bw.put(1, 1);
    bw.put(2, 2);
    bw.put(hlit - 257, 5);
    bw.put(hdist - 1, 5);
    bw.put(hclen - 4, 4);
    for (int i = 0; i < hclen; ++i)
        bw.put(cl_len[CODE_LENGTH_ORDER[i]], 3);
    for (const LengthRun& r : runs) {
        bw.put_code(cl_code[r.symbol], cl_len[r.symbol]);
        bw.put(r.extra, r.extra_bits);
    }
    write_symbols(bw, symbols, lit_len, canonical_codes(lit_len), dist_len, canonical_codes(dist_len));
    bw.finish();
    return bw.out;
}

// Stored blocks of at most 65535 bytes.
std::string encode_stored(const std::string& data)
{
    std::string out;
    size_t pos = 0;
    do {
        size_t n = std::min<size_t>(data.size() - pos, 65535);
        bool last = pos + n == data.size();
        out += static_cast<char>(last ? 1 : 0);
        put16(out, static_cast<uint32_t>(n));
        put16(out, static_cast<uint32_t>(~n & 0xFFFF));
        out.append(data, pos, n);
        pos += n;
    } while (pos < data.size());
    return out;
}

#ifdef QEL_HAVE_ZLIB
std::string zlib_deflate(const std::string& data, int level, int strategy)
{
    z_stream z{};
    deflateInit2(&z, level, Z_DEFLATED, -15, 8, strategy);
    std::string out(deflateBound(&z, data.size()) + 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}
#endif

}  // namespace

std::string deflate_own(const std::string& data, int level, DeflateBlocks blocks)
{
    if (blocks == DeflateBlocks::Dynamic)
        return encode_dynamic(data);
    if (level == 0 && blocks == DeflateBlocks::Auto)
        return encode_stored(data);
    return encode_fixed(data);
}

std::string deflate_raw(const std::string& data, int level, DeflateBlocks blocks)
{
    if (blocks == DeflateBlocks::Dynamic)
        return encode_dynamic(data);
#ifdef QEL_HAVE_ZLIB
    return zlib_deflate(data, level, blocks == DeflateBlocks::Fixed ? Z_FIXED : Z_DEFAULT_STRATEGY);
#else
    return deflate_own(data, level, blocks);
#endif
}

int first_block_type(const std::string& deflated)
{
    if (deflated.empty())
        return -1;
    return (static_cast<uint8_t>(deflated[0]) >> 1) & 3;
}

uint32_t zip_crc32(const std::string& data)
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (char ch : data)
        crc = table[(crc ^ static_cast<uint8_t>(ch)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

bool write_bytes(const std::string& path, const std::string& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::string read_bytes(const std::string& path)
{
    std::string bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return bytes;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.append(chunk, n);
    std::fclose(f);
    return bytes;
}

ZipEntry& ZipArchive::add(const std::string& name, const std::string& data)
{
    ZipEntry e;
    e.name = name;
    e.data = data;
    e.compressed = data;
    e.method = 0;
    e.needed_version = 10;
    entries.push_back(e);
    return entries.back();
}

ZipEntry& ZipArchive::add_deflated(const std::string& name, const std::string& data, int level,
                                   DeflateBlocks blocks)
{
    ZipEntry& e = add(name, data);
    e.compressed = deflate_raw(data, level, blocks);
    e.method = 8;
    e.needed_version = 20;
    return e;
}

ZipEntry& ZipArchive::add_raw(const std::string& name, uint16_t method, const std::string& compressed,
                              const std::string& data)
{
    ZipEntry& e = add(name, data);
    e.compressed = compressed;
    e.method = method;
    e.needed_version = 20;
    return e;
}

ZipEntry& ZipArchive::add_directory(const std::string& name)
{
    ZipEntry& e = add(name, "");
    e.external_attributes = 0x10;
    return e;
}

namespace {

void put_local_header(std::string& out, const ZipEntry& e)
{
    const std::string& name = e.local_name ? *e.local_name : e.name;
    bool descriptor = (e.flags & 8) && e.write_data_descriptor;
    uint32_t crc = e.crc32.value_or(zip_crc32(e.data));
    uint32_t csize = e.compressed_size.value_or(static_cast<uint32_t>(e.compressed.size()));
    uint32_t usize = e.uncompressed_size.value_or(static_cast<uint32_t>(e.data.size()));
    put32(out, 0x04034B50);
    out += static_cast<char>(e.needed_version);
    out += static_cast<char>(e.needed_host);
    put16(out, e.flags);
    put16(out, e.method);
    put16(out, e.dos_time);
    put16(out, e.dos_date);
    put32(out, descriptor ? 0 : crc);
    put32(out, descriptor ? 0 : csize);
    put32(out, descriptor ? 0 : usize);
    put16(out, static_cast<uint32_t>(name.size()));
    put16(out, static_cast<uint32_t>(e.local_extra.size()));
    out += name;
    out += e.local_extra;
}

void put_central_header(std::string& out, const ZipEntry& e, uint32_t local_offset)
{
    put32(out, 0x02014B50);
    out += static_cast<char>(e.made_by_version);
    out += static_cast<char>(e.made_by_host);
    out += static_cast<char>(e.needed_version);
    out += static_cast<char>(e.needed_host);
    put16(out, e.flags);
    put16(out, e.method);
    put16(out, e.dos_time);
    put16(out, e.dos_date);
    put32(out, e.crc32.value_or(zip_crc32(e.data)));
    put32(out, e.compressed_size.value_or(static_cast<uint32_t>(e.compressed.size())));
    put32(out, e.uncompressed_size.value_or(static_cast<uint32_t>(e.data.size())));
    put16(out, static_cast<uint32_t>(e.name.size()));
    put16(out, static_cast<uint32_t>(e.extra.size()));
    put16(out, static_cast<uint32_t>(e.comment.size()));
    put16(out, e.disk_start);
    put16(out, e.internal_attributes);
    put32(out, e.external_attributes);
    put32(out, e.local_header_offset.value_or(local_offset));
    out += e.name;
    out += e.extra;
    out += e.comment;
}

}  // namespace

std::string ZipArchive::build()
{
    std::string out = prefix;
    layout = ZipLayout{};
    for (const ZipEntry& e : entries) {
        layout.local_offsets.push_back(static_cast<uint32_t>(out.size()));
        put_local_header(out, e);
        layout.data_offsets.push_back(static_cast<uint32_t>(out.size()));
        out += e.compressed;
        if ((e.flags & 8) && e.write_data_descriptor) {
            put32(out, 0x08074B50);
            put32(out, e.crc32.value_or(zip_crc32(e.data)));
            put32(out, e.compressed_size.value_or(static_cast<uint32_t>(e.compressed.size())));
            put32(out, e.uncompressed_size.value_or(static_cast<uint32_t>(e.data.size())));
        }
    }
    layout.central_offset = static_cast<uint32_t>(out.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        layout.central_offsets.push_back(static_cast<uint32_t>(out.size()));
        // Offsets are relative to the first local header, as a ZIP tool that
        // knew nothing of the prefix would write them.
        put_central_header(out, entries[i], layout.local_offsets[i] - static_cast<uint32_t>(prefix.size()));
    }
    layout.central_size = static_cast<uint32_t>(out.size()) - layout.central_offset;
    layout.end_offset = static_cast<uint32_t>(out.size());
    uint16_t count = static_cast<uint16_t>(entries.size());
    put32(out, 0x06054B50);
    put16(out, end.this_disk.value_or(0));
    put16(out, end.central_dir_disk.value_or(0));
    put16(out, end.entries_this_disk.value_or(count));
    put16(out, end.total_entries.value_or(count));
    put32(out, end.central_dir_size.value_or(layout.central_size));
    put32(out, end.central_dir_offset.value_or(layout.central_offset - static_cast<uint32_t>(prefix.size())));
    put16(out, end.comment_length.value_or(static_cast<uint16_t>(comment.size())));
    out += comment;
    layout.size = static_cast<uint32_t>(out.size());
    return out;
}

bool ZipArchive::write_file(const std::string& path)
{
    return write_bytes(path, build());
}
