#include "stores/ie4Index.h"

void ReadIE4Index(TCabinet &, const std::string &) {}
