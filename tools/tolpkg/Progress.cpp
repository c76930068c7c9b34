#include "tools/tolpkg/Progress.h"

#include <cstdio>
#include <unistd.h>

Progress::Progress(std::string label, std::uint64_t total)
    : label_(std::move(label)), total_(total), enabled_(isatty(STDOUT_FILENO) == 1) {}

Progress::~Progress() { finish(); }

void Progress::update(std::uint64_t done) {
    if (!enabled_) return;
    int permille = total_ == 0 ? 1000 : static_cast<int>(done * 1000 / total_);
    if (permille == lastPermille_) return;
    lastPermille_ = permille;
    shown_ = true;
    std::fprintf(stderr, "\r%s: %3d.%d%% (%llu / %llu MB)", label_.c_str(), permille / 10, permille % 10,
                 static_cast<unsigned long long>(done >> 20), static_cast<unsigned long long>(total_ >> 20));
    std::fflush(stderr);
}

void Progress::finish() {
    if (!shown_) return;
    shown_ = false;
    std::fputc('\n', stderr);
}
