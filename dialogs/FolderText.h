#pragma once
// Folder texts of the settings screens: the wizard's shortened folder line and the check
// of a path picked in the folder browser. All texts are code page 932 bytes.
#include <cstddef>
#include <string>
#include <string_view>

// Longest folder text the wizard shows whole, and the bytes kept before "..." otherwise.
inline constexpr std::size_t kFolderTextWhole = 20;
inline constexpr std::size_t kFolderTextKept = 18;
// Longest path (before the appended backslash) the browser accepts as the base folder.
inline constexpr std::size_t kMaxBrowsedPathBytes = 128;
// Path buffers hold 259 bytes and a NUL.
inline constexpr std::size_t kMaxPathBytes = 259;

// Whole when at most 20 bytes; otherwise the first 18 bytes, shortened by one when byte 18
// would split a double-byte character, followed by "...".
std::string shortenFolderText(std::string_view folder);

enum class BrowsedPathVerdict { accepted, empty, tooLong };
struct BrowsedPath {
    BrowsedPathVerdict verdict = BrowsedPathVerdict::empty;
    std::string folder;   // accepted only: the path with a trailing backslash
};
// The browser's "更新" check: empty and over 128-byte paths are refused; an accepted one
// ends in a backslash (a trailing 0x5C that is the second byte of a double-byte character
// does not count as one).
BrowsedPath checkBrowsedPath(std::string_view path);

// True when a folder path of `pathBytes` can be listed: its search pattern (the path and
// "\*") still fits the path buffer.
constexpr bool folderFitsPathBuffer(std::size_t pathBytes) { return pathBytes + 2 <= kMaxPathBytes; }

// True when the text ends in a backslash that is a character of its own.
bool endsInBackslash(std::string_view text);
