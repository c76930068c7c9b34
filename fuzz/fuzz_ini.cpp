#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "package/IniFile.h"

// Input: three length bytes, then a section, a key and a value of those lengths, a second
// section and key (one length byte each), and the rest is the INI text. The text must
// survive being written back, and a set must be read back exactly, change nothing else
// and survive the file round trip.
namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

struct Input {
    std::string_view rest;
    bool take(std::string_view& out, std::size_t n) {
        if (n > rest.size()) return false;
        out = rest.substr(0, n);
        rest.remove_prefix(n);
        return true;
    }
    bool takeCounted(std::string_view& out) {
        std::string_view length;
        return take(length, 1) && take(out, static_cast<unsigned char>(length[0]) % 32);
    }
};

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// Wider than the file's own name comparison (every byte folded), so it never says two
// names differ when the file would take them for one.
bool maybeSameName(std::string_view a, std::string_view b) {
    a = trim(a);
    b = trim(b);
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'a' && a[i] <= 'z' ? char(a[i] - 32) : a[i];
        char y = b[i] >= 'a' && b[i] <= 'z' ? char(b[i] - 32) : b[i];
        if (x != y) return false;
    }
    return true;
}

// What a read gives back for a stored value: blanks trimmed, one pair of quotes dropped.
std::string readBack(std::string_view value) {
    value = trim(value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

// `after` is `before` with one line changed, one line inserted, or two lines added at the end.
bool isSmallEdit(const IniFile& before, const IniFile& after) {
    const auto& a = before.lines;
    const auto& b = after.lines;
    std::size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    if (b.size() == a.size()) {
        for (std::size_t j = i + 1; j < a.size(); ++j)
            if (a[j] != b[j]) return false;
        return true;
    }
    if (b.size() == a.size() + 1) {
        for (std::size_t j = i; j < a.size(); ++j)
            if (a[j] != b[j + 1]) return false;
        return true;
    }
    return b.size() == a.size() + 2 && i == a.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in{std::string_view(reinterpret_cast<const char*>(data), size)};
    std::string_view section, key, value, otherSection, otherKey;
    if (!in.takeCounted(section) || !in.takeCounted(key) || !in.takeCounted(value) ||
        !in.takeCounted(otherSection) || !in.takeCounted(otherKey))
        return 0;

    const IniFile original = IniFile::parse(in.rest);
    const std::string text = original.serialize();
    check(IniFile::parse(text).serialize() == text);

    IniFile changed = original;
    if (!changed.set(section, key, value)) {
        check(changed.lines == original.lines);
        return 0;
    }
    const std::string expected = readBack(value);
    check(changed.get(section, key) == expected);
    check(isSmallEdit(original, changed));
    check(IniFile::parse(changed.serialize()).get(section, key) == expected);
    if (!(maybeSameName(section, otherSection) && maybeSameName(key, otherKey)))
        check(changed.get(otherSection, otherKey) == original.get(otherSection, otherKey));
    return 0;
}
