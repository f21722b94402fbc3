// ZIP record state and the readers of headers and variable-length fields.
#include "engine/records.h"

EndRecord end_record;
CentralHeader central_header;
LocalHeader local_header;
CurrentEntry entry_block[ENTRY_BLOCK];
CurrentEntry* current_entry = entry_block;
uint32_t uncompressed_size = 0;
uint8_t* extra_field = nullptr;
uint16_t extra_field_length = 0;

char local_signature[4];
char central_signature[4];
char end_signature[4];
char signature[4];
