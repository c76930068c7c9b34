#include "dialogs/FolderText.h"

#include "package/Cp932.h"

std::string shortenFolderText(std::string_view folder) {
    if (folder.size() <= kFolderTextWhole) return std::string(folder);
    std::string text(folder.substr(0, cp932::prefixLength(folder, kFolderTextKept)));
    text += "...";
    return text;
}

bool endsInBackslash(std::string_view text) {
    if (text.empty() || text.back() != '\\') return false;
    return cp932::prefixLength(text, text.size() - 1) == text.size() - 1;
}

BrowsedPath checkBrowsedPath(std::string_view path) {
    if (path.empty()) return {BrowsedPathVerdict::empty, {}};
    if (path.size() > kMaxBrowsedPathBytes) return {BrowsedPathVerdict::tooLong, {}};
    std::string folder(path);
    if (!endsInBackslash(folder)) folder += '\\';
    return {BrowsedPathVerdict::accepted, std::move(folder)};
}
