#include "cli/common.h"

int RunDetect(const std::vector<std::string> &) {
    UsageError("detect is not available yet");
}
