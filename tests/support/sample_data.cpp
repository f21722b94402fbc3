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

std::string mixed_bytes(size_t size, size_t noise_run, size_t text_run)
{
    std::string s;
    uint32_t seed = 1;
    while (s.size() < size)
        s += (seed % 3 == 0) ? random_bytes(noise_run, seed++) : text_bytes(text_run, seed++);
    s.resize(size);
    return s;
}
