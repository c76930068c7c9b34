#include "app/SystemFolders.h"

#include <windows.h>

#include "package/Cp932.h"
#include "package/Registry.h"

std::optional<std::string> windowsDirectory() {
    wchar_t buffer[MAX_PATH + 1] = {};
    UINT n = GetWindowsDirectoryW(buffer, MAX_PATH + 1);
    if (n == 0 || n > MAX_PATH) return std::nullopt;
    std::u16string wide(reinterpret_cast<const char16_t*>(buffer), n);
    while (!wide.empty() && wide.back() == u'\\') wide.pop_back();
    return cp932::fromUtf16(wide);
}

std::optional<std::string> registryIniPath() {
    auto folder = windowsDirectory();
    if (!folder) return std::nullopt;
    return *folder + "\\" + registry::kFileName;
}
