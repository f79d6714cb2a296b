#include "stores/ie2Index.h"

void ReadIE2Index(TCabinet &, const std::string &) {}
