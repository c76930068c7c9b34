// File helpers over POSIX: cp932 paths become UTF-8 with '/' separators.
#include "package/FileSystem.h"

#include "package/Cp932.h"

#include <cstdio>
#include <dirent.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace fsys {

namespace {

// The conversion knows double-byte characters, so only real backslashes become '/'.
std::string nativePath(const std::string& path) {
    std::string out = cp932::toUtf8(path);
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

File open(const std::string& path, const char* mode) {
    return File(std::fopen(nativePath(path).c_str(), mode));
}

class Directory {
public:
    explicit Directory(const std::string& path) : d_(opendir(path.c_str())) {}
    ~Directory() { if (d_) closedir(d_); }
    Directory(const Directory&) = delete;
    Directory& operator=(const Directory&) = delete;
    DIR* get() const { return d_; }

private:
    DIR* d_;
};

}  // namespace

File openRead(const std::string& path) { return open(path, "rb"); }
File openWrite(const std::string& path) { return open(path, "wb"); }
File openUpdate(const std::string& path) { return open(path, "r+b"); }

bool syncToDisk(File& file) { return file && fsync(fileno(file.get())) == 0; }

bool exists(const std::string& path) {
    struct stat st {};
    return stat(nativePath(path).c_str(), &st) == 0;
}

bool isDirectory(const std::string& path) {
    struct stat st {};
    return stat(nativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool makeDirectory(const std::string& path) { return mkdir(nativePath(path).c_str(), 0777) == 0; }
bool removeDirectory(const std::string& path) { return rmdir(nativePath(path).c_str()) == 0; }
bool removeFile(const std::string& path) { return unlink(nativePath(path).c_str()) == 0; }

bool replaceFile(const std::string& from, const std::string& to) {
    return std::rename(nativePath(from).c_str(), nativePath(to).c_str()) == 0;
}

std::vector<std::string> listFiles(const std::string& folder, const std::string& suffix) {
    std::vector<std::string> names;
    std::string native = nativePath(folder);
    Directory dir(native);
    if (!dir.get()) return names;
    if (!native.empty() && native.back() != '/') native += '/';
    while (dirent* entry = readdir(dir.get())) {
        struct stat st {};
        if (stat((native + entry->d_name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        // A name with no cp932 form cannot be addressed by the rest of the program.
        auto name = cp932::fromUtf8(entry->d_name);
        if (name && endsWithIgnoringCase(*name, suffix)) names.push_back(*name);
    }
    return names;
}

std::uint64_t freeBytes(const std::string& path) {
    struct statvfs st {};
    if (statvfs(nativePath(path).c_str(), &st) != 0) return 0;
    return static_cast<std::uint64_t>(st.f_bfree) * static_cast<std::uint64_t>(st.f_frsize);
}

}  // namespace fsys
