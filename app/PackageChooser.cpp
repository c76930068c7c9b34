#include "app/PackageChooser.h"

#include <commdlg.h>

#include <cstring>

#include "package/Cp932.h"

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
