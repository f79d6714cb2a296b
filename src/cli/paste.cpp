#include "cli/common.h"

int RunPaste(const std::vector<std::string> &) {
    UsageError("paste is not available yet");
}
