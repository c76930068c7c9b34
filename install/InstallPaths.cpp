#include "install/InstallPaths.h"

#include "install/InstallTexts.h"
#include "package/Cp932.h"

namespace installpath {

namespace {

std::size_t characterWidth(std::string_view text, std::size_t i) {
    return cp932::isLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

bool endsWith(std::string_view name, std::string_view suffix) {
    return name.size() >= suffix.size() && sameName(name.substr(name.size() - suffix.size()), suffix);
}

std::string_view lastComponent(std::string_view name) {
    std::size_t cut = lastSeparator(name);
    return cut == std::string_view::npos ? name : name.substr(cut + 1);
}

}  // namespace

std::size_t characterCount(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); i += characterWidth(text, i)) ++count;
    return count;
}

bool fits(std::string_view path) { return characterCount(path) <= kMaxPathChars; }

std::string withSeparator(std::string folder) {
    if (folder.empty()) return folder;
    std::size_t last = std::string::npos;
    for (std::size_t i = 0; i < folder.size(); i += characterWidth(folder, i)) last = i;
    if (last + 1 != folder.size() || (folder[last] != '\\' && folder[last] != '/')) folder += '\\';
    return folder;
}

bool isAbsolute(std::string_view path) {
    if (!path.empty() && (path[0] == '\\' || path[0] == '/')) return true;
    unsigned char drive = path.size() >= 3 ? static_cast<unsigned char>(path[0]) : 0;
    bool letter = (drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z');
    return letter && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
}

std::size_t lastSeparator(std::string_view name) {
    std::size_t found = std::string_view::npos;
    for (std::size_t i = 0; i < name.size(); i += characterWidth(name, i))
        if (name[i] == '\\') found = i;
    return found;
}

std::vector<std::string> folderPrefixes(std::string_view name) {
    std::vector<std::string> prefixes;
    for (std::size_t i = 0; i < name.size(); i += characterWidth(name, i))
        if (name[i] == '\\') prefixes.emplace_back(name.substr(0, i));
    return prefixes;
}

std::string folded(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (std::size_t i = 0; i < name.size();) {
        std::size_t width = characterWidth(name, i);
        if (width == 1) {
            unsigned char c = static_cast<unsigned char>(name[i]);
            out += static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
        } else {
            out.append(name.substr(i, width));
        }
        i += width;
    }
    return out;
}

bool sameName(std::string_view a, std::string_view b) { return folded(a) == folded(b); }

std::string recordName(std::string_view gameName) { return std::string(gameName) + ".idf"; }
std::string journalName(std::string_view gameName) { return std::string(gameName) + ".idj"; }

std::string launchName(std::string_view gameTitle) { return std::string(gameTitle) + texts::kLaunchSuffix; }

bool isSaveDataName(std::string_view name) {
    if (lastSeparator(name) != std::string_view::npos) return false;
    return sameName(name, kSettingsName) || endsWith(name, ".sav");
}

bool isEngineFileName(std::string_view name, std::string_view gameName) {
    if (folded(lastComponent(name)).find(kBackupMarker) != std::string::npos) return true;
    if (lastSeparator(name) != std::string_view::npos) return false;
    return sameName(name, recordName(gameName)) || sameName(name, journalName(gameName)) ||
           sameName(name, kSetupCopyName);
}

}  // namespace installpath
