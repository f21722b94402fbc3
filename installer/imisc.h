// Rewrites the directory entries of the product's options file so that they
// name the directories chosen in the install dialog.
#pragma once

// name: "OPTIONS\STANDARD.QPA"; its first component stands for the options
// directory. Failures are silent: the file then stays as it was.
void convert_options_file(const char* name);

// path relative to the destination directory when it lies below it (the rest
// after the destination and one '\'), otherwise path itself.
const char* relative_to_destination(const char* path);
