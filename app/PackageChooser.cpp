#include "app/PackageChooser.h"

#include <commdlg.h>

#include <cstring>

#include "package/Cp932.h"

PathParts splitPath(std::string_view path) {
    PathParts parts;
    std::size_t start = 0;
    if (path.size() >= 2 && path[1] == ':' && !cp932::isLeadByte(static_cast<unsigned char>(path[0]))) start = 2;
    std::size_t folderEnd = start;  // one past the last separator
    std::size_t lastDot = std::string_view::npos;
    for (std::size_t i = start; i < path.size();) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        if (cp932::isLeadByte(c) && i + 1 < path.size()) {
            i += 2;
            continue;
        }
        if (c == '\\' || c == '/') {
            folderEnd = i + 1;
            lastDot = std::string_view::npos;
        } else if (c == '.') {
            lastDot = i;
        }
        ++i;
    }
    parts.folder = std::string(path.substr(0, folderEnd));
    if (lastDot == std::string_view::npos) {
        parts.name = std::string(path.substr(folderEnd));
    } else {
        parts.name = std::string(path.substr(folderEnd, lastDot - folderEnd));
        parts.extension = std::string(path.substr(lastDot));
    }
    return parts;
}

namespace {

int countFilterPairs(const wchar_t* filters) {
    int texts = 0;
    for (const wchar_t* p = filters; p && *p; p += wcslen(p) + 1) ++texts;
    return texts / 2;
}

}  // namespace

int choosePackageFile(HWND owner, HINSTANCE instance, char* path, std::size_t pathSize, const wchar_t* filters,
                      int& filterIndex) {
    const int pairs = countFilterPairs(filters);
    if (filterIndex > pairs || filterIndex < 1) filterIndex = 1;

    std::u16string startFolder = cp932::toUtf16(splitPath(std::string_view(path, strnlen(path, pathSize))).folder);
    std::wstring initialDir(startFolder.begin(), startFolder.end());

    wchar_t chosen[512] = {};
    wchar_t title[256] = {};
    OPENFILENAMEW request = {};
    request.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    request.hwndOwner = owner;
    request.hInstance = instance;
    request.lpstrFilter = filters;
    request.nFilterIndex = static_cast<DWORD>(filterIndex);
    request.lpstrFile = chosen;
    request.nMaxFile = 512;
    request.lpstrFileTitle = title;
    request.nMaxFileTitle = 256;
    request.lpstrInitialDir = initialDir.empty() ? nullptr : initialDir.c_str();
    request.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameW(&request)) return 0;

    auto converted = cp932::fromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(chosen), wcslen(chosen)));
    if (!converted || converted->size() >= pathSize) return 0;
    std::memcpy(path, converted->c_str(), converted->size() + 1);
    filterIndex = static_cast<int>(request.nFilterIndex);
    return 1;
}
