// Option parsing and usage text of the engine's argument-vector interface.
#pragma once

// Reads the option words; argv then designates the archive name and argc
// counts the arguments after it. 0, or the result of show_usage.
int parse_options(int& argc, char**& argv);
// The usage text to stderr (invalid: RC_PARAM) or stdout (RC_OK).
int show_usage(bool invalid);
