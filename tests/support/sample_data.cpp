#include "tests/support/sample_data.h"

#include <random>

std::string random_bytes(size_t size, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::string s(size, '\0');
    for (auto& c : s)
        c = static_cast<char>(rng() & 0xff);
    return s;
}

std::string text_bytes(size_t size, uint32_t seed)
{
    static const char* words[] = {"terminal ", "emulation ", "QEL ", "setup ", "phone ", "book\r\n",
                                  "options ", "script ", "upload ", "download ", "the ", "of "};
    std::mt19937 rng(seed);
    std::string s;
    while (s.size() < size)
        s += words[rng() % 12];
    s.resize(size);
    return s;
}
