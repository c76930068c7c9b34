#include "tools/tolpkg/HostFiles.h"

#include "package/Cp932.h"
#include "tools/tolpkg/BadInput.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

namespace host {

std::string display(const std::filesystem::path& path) { return path.string(); }

fsys::File openRead(const std::filesystem::path& path) { return fsys::File(std::fopen(path.c_str(), "rb")); }
fsys::File openWrite(const std::filesystem::path& path) { return fsys::File(std::fopen(path.c_str(), "wb")); }

std::vector<std::uint8_t> readFile(const std::filesystem::path& path) {
    fsys::File file = openRead(path);
    if (!file) throw BadInput(display(path) + ": cannot open the file");
    std::int64_t size = file.size();
    if (size < 0) throw BadInput(display(path) + ": cannot read the file's size");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (file.read(bytes.data(), bytes.size()) != bytes.size()) throw BadInput(display(path) + ": cannot read the file");
    return bytes;
}

std::vector<FoundFile> listGameFiles(const std::filesystem::path& folder) {
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) throw BadInput(display(folder) + ": not a folder");
    std::vector<FoundFile> found;
    std::filesystem::recursive_directory_iterator it(folder, ec), end;
    if (ec) throw BadInput(display(folder) + ": " + ec.message());
    for (; it != end; it.increment(ec)) {
        if (ec) throw BadInput(display(folder) + ": " + ec.message());
        const auto& entry = *it;
        if (entry.is_directory(ec) && !entry.is_symlink(ec)) continue;
        if (!entry.is_regular_file(ec)) throw BadInput(display(entry.path()) + ": not a plain file");
        std::string relative = entry.path().lexically_relative(folder).generic_string();
        std::replace(relative.begin(), relative.end(), '/', '\\');
        auto stored = cp932::fromUtf8(relative);
        if (!stored) throw BadInput(display(entry.path()) + ": file name has no code page 932 form");
        found.push_back({entry.path(), *stored, std::filesystem::file_size(entry.path(), ec)});
        if (ec) throw BadInput(display(entry.path()) + ": " + ec.message());
    }
    std::sort(found.begin(), found.end(), [](const FoundFile& a, const FoundFile& b) { return a.storedName < b.storedName; });
    return found;
}

namespace {

// A second line of defence below the name checks: no component may climb or jump.
std::filesystem::path component(const std::string& cp932Part, const std::string& storedName) {
    std::string part = cp932::toUtf8(cp932Part);
    if (part.empty() || part == "." || part == ".." || part.find('/') != std::string::npos || part.find('\0') != std::string::npos)
        throw BadInput("stored name \"" + cp932::toUtf8(storedName) + "\" has an unsafe component");
    return part;
}

}  // namespace

std::filesystem::path hostPathOf(const std::filesystem::path& root, const std::string& storedName) {
    std::filesystem::path path = root;
    std::string part;
    for (std::size_t i = 0; i < storedName.size(); ++i) {
        char c = storedName[i];
        if (cp932::isLeadByte(static_cast<unsigned char>(c)) && i + 1 < storedName.size()) {
            part += c;
            part += storedName[++i];
        } else if (c == '\\') {
            path /= component(part, storedName);
            part.clear();
        } else {
            part += c;
        }
    }
    return path / component(part, storedName);
}

}  // namespace host
