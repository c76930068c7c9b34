#pragma once
// An INI file kept as its cp932 lines, read and changed the way the Windows private-profile
// functions do: section and key names compare without regard to ASCII case, values lose
// their surrounding blanks and one pair of enclosing quotation marks, and every line that
// is not changed is written back as it was.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct IniFile {
    std::vector<std::string> lines;  // without their line breaks
    std::string newline = "\r\n";    // the file's own line break, kept on rewrite
    bool endsWithNewline = true;

    // Never fails: any bytes give some lines.
    static IniFile parse(std::string_view text);
    std::string serialize() const;

    // The value of the first `key` in the first section named `section`.
    std::optional<std::string> get(std::string_view section, std::string_view key) const;
    // Changes that value or adds the key (and the section). False when a name is empty or
    // a name or value holds a line break or NUL, which would change other lines.
    bool set(std::string_view section, std::string_view key, std::string_view value);
};

// Files larger than this are not read as a registry (they cannot be one).
constexpr std::size_t kMaxIniFileBytes = 16u << 20;

// A missing file is an empty IniFile; nullopt when the file exists but cannot be read.
std::optional<IniFile> loadIniFile(const std::string& path);
// Writes a temporary file beside `path` and then replaces `path` with it, so that a crash
// leaves either the old or the new file whole.
bool saveIniFile(const std::string& path, const IniFile& ini);
