// The engine's argument-vector interface, called as a command-line program is.
#pragma once

// argv holds argc writable texts followed by a null pointer; the engine edits
// them in place and the caller must treat the vector as consumed.
int engine_main(int argc, char** argv);
