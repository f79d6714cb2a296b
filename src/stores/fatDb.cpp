#include "stores/fatDb.h"

void ReadFatDb(TCabinet &, const std::string &) {}
