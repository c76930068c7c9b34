// File helpers over the wide-character Windows API: cp932 paths become UTF-16.
#include "package/FileSystem.h"

#include "package/Cp932.h"

#include <cstdio>
#include <io.h>
#include <windows.h>

namespace fsys {

namespace {

std::wstring nativePath(const std::string& path) {
    std::u16string wide = cp932::toUtf16(path);
    return std::wstring(wide.begin(), wide.end());
}

File open(const std::string& path, const wchar_t* mode) {
    return File(_wfopen(nativePath(path).c_str(), mode));
}

class FindHandle {
public:
    explicit FindHandle(HANDLE h) : h_(h) {}
    ~FindHandle() { if (h_ != INVALID_HANDLE_VALUE) FindClose(h_); }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

DWORD attributesOf(const std::string& path) { return GetFileAttributesW(nativePath(path).c_str()); }

}  // namespace

File openRead(const std::string& path) { return open(path, L"rb"); }
File openWrite(const std::string& path) { return open(path, L"wb"); }
File openUpdate(const std::string& path) { return open(path, L"r+b"); }

bool syncToDisk(File& file) {
    if (!file) return false;
    auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file.get())));
    return handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle) != 0;
}

bool exists(const std::string& path) { return attributesOf(path) != INVALID_FILE_ATTRIBUTES; }

bool isDirectory(const std::string& path) {
    DWORD a = attributesOf(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool makeDirectory(const std::string& path) { return CreateDirectoryW(nativePath(path).c_str(), nullptr) != 0; }
bool removeDirectory(const std::string& path) { return RemoveDirectoryW(nativePath(path).c_str()) != 0; }
bool removeFile(const std::string& path) { return DeleteFileW(nativePath(path).c_str()) != 0; }

bool replaceFile(const std::string& from, const std::string& to) {
    return MoveFileExW(nativePath(from).c_str(), nativePath(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

std::vector<std::string> listFiles(const std::string& folder, const std::string& suffix) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW data{};
    FindHandle find(FindFirstFileW(nativePath(join(folder, "*")).c_str(), &data));
    if (find.get() == INVALID_HANDLE_VALUE) return names;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        std::wstring wide(data.cFileName);
        auto name = cp932::fromUtf16(std::u16string(wide.begin(), wide.end()));
        if (name && endsWithIgnoringCase(*name, suffix)) names.push_back(*name);
    } while (FindNextFileW(find.get(), &data));
    return names;
}

std::uint64_t freeBytes(const std::string& path) {
    ULARGE_INTEGER available{}, total{}, totalFree{};
    if (!GetDiskFreeSpaceExW(nativePath(path).c_str(), &available, &total, &totalFree)) return 0;
    return totalFree.QuadPart;
}

}  // namespace fsys
