#include "package/FileSystem.h"

#include "package/Cp932.h"

namespace fsys {

namespace {

int seek64(std::FILE* f, std::int64_t offset, int origin) {
#if defined(_WIN32)
    return _fseeki64(f, offset, origin);
#else
    return fseeko(f, static_cast<off_t>(offset), origin);
#endif
}

std::int64_t tell64(std::FILE* f) {
#if defined(_WIN32)
    return _ftelli64(f);
#else
    return static_cast<std::int64_t>(ftello(f));
#endif
}

// True when the last character of a cp932 path is a separator; a double-byte character
// whose second byte is 0x5C does not count.
bool endsWithSeparator(const std::string& path) {
    std::size_t i = 0, last = std::string::npos;
    while (i < path.size()) {
        last = i;
        i += cp932::isLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size() ? 2 : 1;
    }
    if (last == std::string::npos || last + 1 != path.size()) return false;
    return path[last] == '\\' || path[last] == '/';
}

}  // namespace

std::int64_t File::seek(std::int64_t offset, int origin) {
    if (!f_) return 0;
    std::int64_t before = tell64(f_);
    if (before < 0 || seek64(f_, offset, origin) != 0) return 0;
    std::int64_t after = tell64(f_);
    return after < 0 ? 0 : after - before;
}

std::size_t File::read(void* buffer, std::size_t n) {
    return f_ && n > 0 ? std::fread(buffer, 1, n, f_) : 0;
}

std::size_t File::write(const void* buffer, std::size_t n) {
    return f_ && n > 0 ? std::fwrite(buffer, 1, n, f_) : 0;
}

std::int64_t File::position() {
    return f_ ? tell64(f_) : -1;
}

std::int64_t File::size() {
    if (!f_) return -1;
    std::int64_t here = tell64(f_);
    if (here < 0 || seek64(f_, 0, SEEK_END) != 0) return -1;
    std::int64_t end = tell64(f_);
    seek64(f_, here, SEEK_SET);
    return end;
}

bool File::flush() {
    return f_ && std::fflush(f_) == 0;
}

bool File::close() {
    if (!f_) return true;
    int r = std::fclose(f_);
    f_ = nullptr;
    return r == 0;
}

bool endsWithIgnoringCase(const std::string& name, const std::string& suffix) {
    if (suffix.size() > name.size()) return false;
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        unsigned char a = static_cast<unsigned char>(name[name.size() - suffix.size() + i]);
        unsigned char b = static_cast<unsigned char>(suffix[i]);
        if (a >= 'A' && a <= 'Z') a = static_cast<unsigned char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z') b = static_cast<unsigned char>(b - 'A' + 'a');
        if (a != b) return false;
    }
    return true;
}

std::string join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (endsWithSeparator(folder)) return folder + name;
    return folder + '\\' + name;
}

}  // namespace fsys
