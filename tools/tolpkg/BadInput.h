#pragma once
// A problem with the tool's input: one line naming the problem and where; exit status 1.
#include <stdexcept>
#include <string>

struct BadInput : std::runtime_error {
    explicit BadInput(const std::string& message) : std::runtime_error(message) {}
};
