// Process-wide configuration of one engine call.
#include "engine/options.h"

EngineOptions engine_options;

char* archive_spec = nullptr;
char archive_name[ARCHIVE_NAME_SIZE];
char** include_patterns = nullptr;
int include_count = 0;
char** exclude_patterns = nullptr;
int exclude_count = 0;
int process_all = 0;

char entry_name[ENTRY_NAME_SIZE];
