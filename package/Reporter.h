#pragma once
// How the core shows a message to the user without knowing about windows.
// The Windows program shows a message box; tools and tests collect or print.
#include <string>
#include <string_view>
#include <vector>

struct MessageReporter {
    virtual ~MessageReporter() = default;
    // text and caption are code page 932 bytes, as stored and as the program's fixed texts.
    virtual void showMessage(std::string_view text, std::string_view caption) = 0;
};

// Keeps every message; used by tests and by tools that print them afterwards.
struct CollectingReporter final : MessageReporter {
    struct Message { std::string text, caption; };
    std::vector<Message> messages;
    void showMessage(std::string_view text, std::string_view caption) override {
        messages.push_back({std::string(text), std::string(caption)});
    }
};
