#pragma once
// The file helpers every reader and writer of the program uses.
// Paths are code page 932 strings in Windows form (backslash separators, folders end in a
// backslash). The platform layer converts them once: to UTF-16 on Windows, to UTF-8 with
// '/' separators on POSIX (the conversion is character-aware, so a double-byte character
// whose second byte is 0x5C is never taken for a separator).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace fsys {

// An open file; closes itself. Positions and sizes are 64-bit throughout.
class File {
public:
    File() = default;
    explicit File(std::FILE* f) : f_(f) {}
    File(File&& o) noexcept : f_(o.f_) { o.f_ = nullptr; }
    File& operator=(File&& o) noexcept { if (this != &o) { close(); f_ = o.f_; o.f_ = nullptr; } return *this; }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File() { close(); }

    explicit operator bool() const { return f_ != nullptr; }
    std::FILE* get() const { return f_; }

    // Each returns how far the position moved, as the stream helpers do.
    std::int64_t seek(std::int64_t offset, int origin = SEEK_SET);
    std::size_t read(void* buffer, std::size_t n);
    std::size_t write(const void* buffer, std::size_t n);
    std::int64_t position();
    std::int64_t size();          // the position is unchanged
    bool flush();                 // hands buffered data to the system
    bool close();                 // false when a buffered write failed

private:
    std::FILE* f_ = nullptr;
};

File openRead(const std::string& path);       // "rb"
File openWrite(const std::string& path);      // "wb": create or truncate
File openUpdate(const std::string& path);     // "r+b": existing file, read and write
// Asks the system to put the file's written data on the disk (after flush()).
bool syncToDisk(File& file);

bool exists(const std::string& path);          // file or folder
bool isDirectory(const std::string& path);
bool makeDirectory(const std::string& path);   // one level; false if it exists or fails
bool removeDirectory(const std::string& path); // only when empty
bool removeFile(const std::string& path);
// Replaces `to` with `from` in one step (used for atomic rewrites).
bool replaceFile(const std::string& from, const std::string& to);
// Names (not paths) of the plain files in `folder` whose name ends with `suffix`
// (case-insensitive, e.g. ".sav"); "" lists every file.
std::vector<std::string> listFiles(const std::string& folder, const std::string& suffix);
// Free bytes of the volume holding `path`; 0 when it cannot be had.
std::uint64_t freeBytes(const std::string& path);

// ASCII letters compared without case (file name suffixes such as ".sav").
bool endsWithIgnoringCase(const std::string& name, const std::string& suffix);

// Joins a folder (with or without its trailing backslash) and a relative name.
std::string join(const std::string& folder, const std::string& name);

}  // namespace fsys
