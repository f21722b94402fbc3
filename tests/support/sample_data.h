// Seeded test data: noise that does not compress, and text that does.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

std::string random_bytes(size_t size, uint32_t seed = 7);
std::string text_bytes(size_t size, uint32_t seed = 11);  // words of the product, CR LF lines
// Text with stretches of noise: runs of text_run text bytes and noise_run
// random bytes in turn, so a compressor makes blocks of every kind.
std::string mixed_bytes(size_t size, size_t noise_run, size_t text_run);
