#pragma once
// The one exception type that ends an operation. Its what() is the exact text shown to
// the user; the command, loader or paste run that catches it decides whether to show it.
#include <stdexcept>
#include <string>

class TError : public std::runtime_error {
public:
    explicit TError(const std::string &text) : std::runtime_error(text) {}
};

// A cancelled copy: caught by the paste run and never shown.
class TAbort : public TError {
public:
    TAbort() : TError("中止") {}
};
