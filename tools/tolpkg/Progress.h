#pragma once
// One progress line on stderr, rewritten in place with a carriage return; silent unless
// stdout is a terminal, so scripts and logs get clean output.
#include <cstdint>
#include <string>

class Progress {
public:
    Progress(std::string label, std::uint64_t total);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void update(std::uint64_t done);
    void finish();

private:
    std::string label_;
    std::uint64_t total_;
    bool enabled_;
    bool shown_ = false;
    int lastPermille_ = -1;
};
