// The "ProgressBar" control: twenty blocks of 5 percent each, in ten
// segments of two. Message 1026 sets the position, window word 0 holds it.
#pragma once
#include <cstdint>
#include "windowlayer/os_layer.h"

constexpr int PROGRESS_SEGMENTS = 10;
constexpr int PROGRESS_BLOCKS_PER_SEGMENT = 2;
constexpr int PROGRESS_BLOCKS = PROGRESS_SEGMENTS * PROGRESS_BLOCKS_PER_SEGMENT;
constexpr uint32_t PROGRESS_PERCENT_PER_BLOCK = 100 / PROGRESS_BLOCKS;
constexpr int PROGRESS_PATTERN_BITMAP = 2;  // silver and grey checkerboard

intptr_t progress_bar_proc(OsWindow window, uint32_t message, uintptr_t first, intptr_t second);
