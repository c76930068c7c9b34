#include "app/PathText.h"

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
