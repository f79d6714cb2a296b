#include "stores/ie3Cache.h"

void ReadIE3Cache(TCabinet &, const std::string &) {}
