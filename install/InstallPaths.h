#pragma once
// Names and paths of the files an install writes into the game folder, and the cp932-aware
// path pieces the engine needs. Paths are cp932 in Windows form; folders end in a backslash.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace installpath {

// A Windows path holds at most 259 characters before its terminating NUL.
constexpr std::size_t kMaxPathChars = 259;

// Characters, not bytes: a double-byte character counts once.
std::size_t characterCount(std::string_view cp932Text);
bool fits(std::string_view path);

// The folder with exactly one trailing backslash added when it has none.
std::string withSeparator(std::string folder);
// A path that names a place from the root: "C:\...", "\\server\...", "\..." or "/...".
bool isAbsolute(std::string_view path);

// Byte offset of the last backslash that is a separator (not the second byte of a
// double-byte character), or npos.
std::size_t lastSeparator(std::string_view name);
// The folders on a relative name's path, outermost first: "a\b\c.dat" gives "a", "a\b".
std::vector<std::string> folderPrefixes(std::string_view name);
// ASCII letters folded to lower case, double-byte characters kept whole: two names that
// fold alike are one file on Windows.
std::string folded(std::string_view name);
bool sameName(std::string_view a, std::string_view b);

std::string recordName(std::string_view gameName);   // "%s.idf"
std::string journalName(std::string_view gameName);  // "%s.idj"
inline constexpr char kSetupCopyName[] = "SetUp.exe";
inline constexpr char kSetupCopyRemovalName[] = "Setup.exe";
inline constexpr char kSettingsName[] = "env.dat";
inline constexpr char kGameExecutableName[] = "Tolmar.exe";
// A set-aside original is kept beside itself under its name followed by this marker
// (and a number when that name is taken).
inline constexpr char kBackupMarker[] = ".instbak";

// "%sの起動": the launch shortcut's name for a title.
std::string launchName(std::string_view gameTitle);

// True for the names that belong to the player's save data: "env.dat" and "*.sav" directly
// in the game folder.
bool isSaveDataName(std::string_view name);
// True for names the engine writes itself (record, journal, Setup Copy, set-aside copies);
// a package file may not take them.
bool isEngineFileName(std::string_view name, std::string_view gameName);

}  // namespace installpath
