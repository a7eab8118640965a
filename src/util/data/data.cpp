// Stand-in so the entry links before the data facility lands.
#include "util/data/data.h"

uint32_t data_mode = 0;
std::vector<DataFileEntry> data_file_entries;
std::set<std::string> requested_file_names;
bool data_file_loaded = false;
bool data_init_finished = false;

void ReadDataFile(const std::string&) {}
void WriteDataFile(const std::string&) {}
