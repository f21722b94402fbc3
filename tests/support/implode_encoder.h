// A test-only imploder (ZIP method 6): produces the raw entry data of every
// variant (4K or 8K dictionary, with or without a literal tree), so that
// tests can make imploded entries from any input.
//
//   uint16_t flags = implode_flags(true, true);      // 8K dictionary, 3 trees
//   std::string raw = implode(data, flags);           // entry data
//   zip.add_raw("a.txt", 6, raw, data).flags = flags; // into an archive
//
// For exact control a test builds the tokens and the code lengths itself
// and calls implode_tokens.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// General purpose flags of an imploded entry.
uint16_t implode_flags(bool dictionary_8k, bool literal_tree);

struct ImplodeToken {
    bool literal = true;
    uint8_t byte = 0;       // literal
    uint16_t length = 0;    // match: 2 (3 with a literal tree) to 320 (321)
    uint16_t distance = 0;  // match: 1 to 4096 (8192 with the 8K dictionary)
};

inline ImplodeToken literal_token(uint8_t byte)
{
    ImplodeToken t;
    t.byte = byte;
    return t;
}
inline ImplodeToken match_token(uint16_t length, uint16_t distance)
{
    ImplodeToken t;
    t.literal = false;
    t.length = length;
    t.distance = distance;
    return t;
}

// Code lengths (1-16) of the three trees; literal is empty without a
// literal tree.
struct ImplodeTrees {
    std::vector<int> literal;   // 256
    std::vector<int> length;    // 64
    std::vector<int> distance;  // 64
};

// Greedy LZ77 parse of data within the variant's dictionary and lengths.
std::vector<ImplodeToken> implode_parse(const std::string& data, uint16_t flags);
// Length-limited Huffman code lengths from the tokens' symbol frequencies.
ImplodeTrees implode_trees(const std::vector<ImplodeToken>& tokens, uint16_t flags);
// The compressed bit-length list of one tree.
std::string implode_length_list(const std::vector<int>& lengths);
// The entry data: the trees' length lists followed by the coded tokens.
std::string implode_tokens(const std::vector<ImplodeToken>& tokens, uint16_t flags,
                           const ImplodeTrees& trees);
// All of the above.
std::string implode(const std::string& data, uint16_t flags);
