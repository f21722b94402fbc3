#include "tests/support/shrink_encoder.h"

#include <algorithm>
#include <unordered_map>

void LsbBitWriter::put(uint32_t value, int bits)
{
    pending_ |= static_cast<uint64_t>(value & ((1u << bits) - 1u)) << pending_bits_;
    pending_bits_ += bits;
    while (pending_bits_ >= 8) {
        bytes_.push_back(static_cast<char>(pending_ & 0xFF));
        pending_ >>= 8;
        pending_bits_ -= 8;
    }
}

std::string LsbBitWriter::finish()
{
    if (pending_bits_ > 0)
        bytes_.push_back(static_cast<char>(pending_ & 0xFF));
    pending_ = 0;
    pending_bits_ = 0;
    return bytes_;
}

uint32_t reference_crc32(const std::string& data)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : data) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return crc ^ 0xFFFFFFFFu;
}

std::string pack_codes(const std::vector<RawCode>& codes)
{
    LsbBitWriter writer;
    for (const RawCode& code : codes)
        writer.put(code.value, code.width);
    return writer.finish();
}

std::string sample_text(size_t size, uint32_t seed)
{
    static const char* const words[] = {
        "the", "terminal", "window", "session", "modem", "line", "script", "phone",
        "book", "transfer", "option", "QEL", "host", "upload", "download", "log",
    };
    std::string text;
    uint32_t state = seed;
    while (text.size() < size) {
        state = state * 1103515245u + 12345u;
        text += words[(state >> 16) % 16];
        text += ((state >> 8) % 11 == 0) ? "\r\n" : " ";
    }
    text.resize(size);
    return text;
}

std::string sample_noise(size_t size, uint32_t seed)
{
    std::string bytes(size, '\0');
    uint32_t state = seed;
    for (char& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}

namespace {

constexpr int TABLE_SIZE = 8192;
constexpr int FIRST_STRING_CODE = 257;
constexpr int FREE = -1;

struct Shrinker {
    std::vector<int> prefix = std::vector<int>(TABLE_SIZE, FREE);
    std::vector<uint8_t> suffix = std::vector<uint8_t>(TABLE_SIZE, 0);
    std::vector<bool> usable = std::vector<bool>(TABLE_SIZE, false);
    std::vector<bool> reused = std::vector<bool>(TABLE_SIZE, false);
    std::vector<bool> freed_before = std::vector<bool>(TABLE_SIZE, false);
    std::unordered_map<uint32_t, int> children;  // (prefix << 8 | byte) -> usable entry
    int next_free = FIRST_STRING_CODE;
    int width = 9;
    LsbBitWriter out;
    ShrinkStats stats;
    bool watch_next_assignment = false;

    static uint32_t key(int code, uint8_t byte) { return static_cast<uint32_t>(code) << 8 | byte; }

    Shrinker()
    {
        for (int code = 0; code < 256; ++code) {
            prefix[code] = 0;
            suffix[code] = static_cast<uint8_t>(code);
            usable[code] = true;
        }
    }

    int find_free(int from) const
    {
        while (from < TABLE_SIZE && prefix[from] != FREE)
            ++from;
        return from;
    }

    void emit(int code) { out.put(static_cast<uint32_t>(code), width); }

    void widen()
    {
        emit(256);
        emit(1);
        ++width;
        ++stats.widenings;
    }

    // Same rule as the decoder: free every entry no assigned entry extends.
    void partial_clear()
    {
        emit(256);
        emit(2);
        ++stats.partial_clears;
        for (int code = next_free; code < TABLE_SIZE; ++code) {
            if (prefix[code] != FREE) {
                ++stats.clears_with_holes;
                break;
            }
        }
        std::vector<bool> is_prefix(TABLE_SIZE, false);
        for (int code = FIRST_STRING_CODE; code < TABLE_SIZE; ++code)
            if (prefix[code] >= FIRST_STRING_CODE)
                is_prefix[prefix[code]] = true;
        stats.lowest_freed = 0;
        for (int code = FIRST_STRING_CODE; code < TABLE_SIZE; ++code) {
            if (is_prefix[code] || prefix[code] == FREE)
                continue;
            if (usable[code])
                children.erase(key(prefix[code], suffix[code]));
            prefix[code] = FREE;
            usable[code] = false;
            freed_before[code] = true;
            ++stats.freed_entries;
            if (stats.lowest_freed == 0)
                stats.lowest_freed = code;
        }
        next_free = find_free(FIRST_STRING_CODE);
        watch_next_assignment = true;
    }

    // The entry the decoder makes once it has read the next code.
    int assign_pending(int previous, uint8_t first_byte)
    {
        if (next_free >= TABLE_SIZE)
            return -1;
        int code = next_free;
        bool prefix_defined = previous < 256 || (prefix[previous] != FREE && usable[previous]);
        prefix[code] = previous;
        suffix[code] = first_byte;
        reused[code] = freed_before[code];
        if (prefix_defined && children.find(key(previous, first_byte)) == children.end()) {
            usable[code] = true;
            children[key(previous, first_byte)] = code;
        }
        if (watch_next_assignment) {
            stats.first_assigned_after_clear = code;
            watch_next_assignment = false;
        }
        next_free = find_free(code + 1);
        return code;
    }

    int longest_match(const std::string& input, size_t pos, size_t* length) const
    {
        int code = static_cast<uint8_t>(input[pos]);
        size_t len = 1;
        while (pos + len < input.size()) {
            auto child = children.find(key(code, static_cast<uint8_t>(input[pos + len])));
            if (child == children.end())
                break;
            code = child->second;
            ++len;
        }
        *length = len;
        return code;
    }
};

bool crosses(const std::vector<size_t>& marks, size_t from, size_t to)
{
    // A mark in (from, to] fires before the phrase that starts at to.
    return std::any_of(marks.begin(), marks.end(),
                       [&](size_t mark) { return mark > from && mark <= to; });
}

}  // namespace

ShrunkData shrink(const std::string& input, const ShrinkOptions& options)
{
    ShrunkData result;
    result.crc = reference_crc32(input);
    if (input.empty())
        return result;

    Shrinker s;
    int previous = -1;
    size_t pos = 0, previous_pos = 0;
    bool clear_pending = false;
    while (pos < input.size()) {
        if (previous >= 0) {
            if (clear_pending || crosses(options.clear_at, previous_pos, pos))
                s.partial_clear();
            if (crosses(options.widen_at, previous_pos, pos) && s.width < 13)
                s.widen();
            clear_pending = false;
        }
        int pending = previous >= 0 ? s.assign_pending(previous, static_cast<uint8_t>(input[pos])) : -1;
        if (pending >= 0 && options.clear_when_full && s.next_free >= TABLE_SIZE)
            clear_pending = true;

        size_t length = 0;
        int code = s.longest_match(input, pos, &length);
        while (code >= (1 << s.width))
            s.widen();
        if (code == pending)
            ++s.stats.special_cases;
        if (s.reused[code])
            ++s.stats.reused_codes;
        if (pending < 0 && previous >= 0)
            ++s.stats.codes_while_full;
        s.emit(code);
        ++s.stats.codes;
        previous = code;
        previous_pos = pos;
        pos += length;
    }
    s.stats.final_width = s.width;
    result.stats = s.stats;
    result.compressed = s.out.finish();
    return result;
}
