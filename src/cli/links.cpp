#include "cli/common.h"

int RunLinks(const std::vector<std::string> &) {
    UsageError("links is not available yet");
}
