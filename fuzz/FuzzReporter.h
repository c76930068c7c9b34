#pragma once
#include "package/Reporter.h"

// The fuzz targets only care that loading never misbehaves; messages are dropped.
struct DiscardingReporter final : MessageReporter {
    void showMessage(std::string_view, std::string_view) override {}
};
