#include "package/Registry.h"

#include "package/Cp932.h"
#include "package/IniFile.h"

#include <cstdio>

namespace registry {

namespace {

constexpr const char* kGamesSection = "Games";
constexpr const char* kCountKey = "InstCount";
constexpr const char* kFolderKey = "InstDIR";
constexpr const char* kVersionKey = "Verson";

// Leading decimal digits, as the private-profile integer read takes them; a count that
// does not fit stays at the largest value rather than wrapping to 0, and a value that does
// not start with a digit (a minus sign among them) is 0.
std::uint32_t parseCount(const std::string& text) {
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        value = value * 10 + static_cast<unsigned>(c - '0');
        if (value > 0xFFFFFFFFu) return 0xFFFFFFFFu;
    }
    return static_cast<std::uint32_t>(value);
}

std::uint32_t countOf(const IniFile& ini) {
    return parseCount(ini.get(kGamesSection, kCountKey).value_or(""));
}

bool setCount(IniFile& ini, std::uint32_t count) {
    char text[16];
    std::snprintf(text, sizeof text, "%u", count);
    return ini.set(kGamesSection, kCountKey, text);
}

char foldAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// True when `folder` is `base` + `gameName` + backslash for a base that ends in a
// backslash of its own, comparing ASCII letters without regard to case.
bool splitsAtGameFolder(const std::string& folder, const std::string& gameName, std::size_t baseLength) {
    if (cp932::prefixLength(folder, baseLength) != baseLength) return false;  // would split a character
    const std::string tail = folder.substr(baseLength);
    if (tail.size() != gameName.size() + 1 || tail.back() != '\\') return false;
    for (std::size_t i = 0; i < gameName.size(); ++i)
        if (foldAscii(tail[i]) != foldAscii(gameName[i])) return false;
    const std::string base = folder.substr(0, baseLength);
    return !base.empty() && cp932::prefixLength(base, base.size() - 1) == base.size() - 1 &&
           (base.back() == '\\' || base.back() == '/');
}

}  // namespace

std::optional<std::string> lookUp(const std::string& iniPath, const std::string& gameName) {
    const std::string folder = installFolderOf(iniPath, gameName);
    if (folder.empty() || gameName.empty() || folder.size() < gameName.size() + 1) return std::nullopt;
    const std::size_t baseLength = folder.size() - gameName.size() - 1;
    // An entry edited to point at some other folder has no base folder to give.
    if (!splitsAtGameFolder(folder, gameName, baseLength)) return std::nullopt;
    return folder.substr(0, baseLength);
}

std::string installFolderOf(const std::string& iniPath, const std::string& gameName) {
    auto ini = loadIniFile(iniPath);
    if (!ini) return "";
    return ini->get(gameName, kFolderKey).value_or("");
}

bool recordInstallation(const std::string& iniPath, const std::string& gameName,
                        const std::string& installFolder, std::int32_t gameVersion) {
    auto ini = loadIniFile(iniPath);
    if (!ini) return false;
    std::uint32_t count = countOf(*ini);
    if (count < 0xFFFFFFFFu) ++count;
    char version[16];
    std::snprintf(version, sizeof version, "%d", static_cast<int>(gameVersion));
    if (!setCount(*ini, count) || !ini->set(gameName, kFolderKey, installFolder) ||
        !ini->set(gameName, kVersionKey, version))
        return false;
    return saveIniFile(iniPath, *ini);
}

void removeInstallation(const std::string& iniPath, const std::string& gameName) {
    auto ini = loadIniFile(iniPath);
    if (!ini) return;
    std::uint32_t count = countOf(*ini);
    if (count != 0) --count;
    setCount(*ini, count);
    ini->set(gameName, kFolderKey, "");
    ini->set(gameName, kVersionKey, "");
    saveIniFile(iniPath, *ini);
}

}  // namespace registry
