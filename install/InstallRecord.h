#pragma once
// The Install Record ("%s%s.idf") and the install journal are lists of NUL-terminated
// cp932 entries with no header, count or trailer. The reader takes them in fixed chunks,
// so a record of any size and any content is read without trusting it.
#include "package/FileSystem.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Entries longer than this are not names the engine wrote; they come back as "".
constexpr std::size_t kMaxRecordEntry = 1024;

class NulListReader {
public:
    explicit NulListReader(fsys::File& file) : file_(file), buffer_(32768) {}
    // The next complete entry; false at the end. A last entry without its NUL is dropped,
    // an overlong one is returned as "" (which no caller takes for a name).
    bool next(std::string& entry);

private:
    bool fill();
    fsys::File& file_;
    std::vector<std::uint8_t> buffer_;
    std::size_t pos_ = 0, end_ = 0;
};

// Appends one entry and its NUL and hands it to the system, so that a process killed
// right afterwards leaves the entry on disk. False when the write fell short.
bool appendRecordEntry(fsys::File& record, std::string_view entry);
