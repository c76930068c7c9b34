#include <windows.h>

#include "dialogs/SettingsDialogs.h"
#include "dialogs/SizeText.h"
#include "package/Cp932.h"

namespace {

bool totalFreeBytes(const std::u16string& path, std::uint64_t& bytes) {
    ULARGE_INTEGER available, total, totalFree;
    if (!GetDiskFreeSpaceExW(reinterpret_cast<const wchar_t*>(path.c_str()), &available, &total, &totalFree))
        return false;
    bytes = totalFree.QuadPart;
    return true;
}

}  // namespace

std::uint32_t queryFreeSpaceKb(const std::string& path) {
    std::u16string wide = cp932::toUtf16(path);
    std::uint64_t bytes = 0;
    if (totalFreeBytes(wide, bytes)) return kbFromBytes(bytes);
    // A folder that does not exist yet still lies on its drive.
    if (wide.size() >= 3 && wide[1] == u':' && wide[2] == u'\\' && totalFreeBytes(wide.substr(0, 3), bytes))
        return kbFromBytes(bytes);
    return 0;
}
