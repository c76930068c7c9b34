#include "package/IniFile.h"

#include "package/Cp932.h"
#include "package/FileSystem.h"

namespace {

// A carriage return left in a line of a file with LF breaks counts as a blank at its ends.
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

char foldAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// ASCII case is folded only in single-byte characters: the second byte of a double-byte
// character may look like a letter.
bool sameName(std::string_view a, std::string_view b) {
    a = trim(a);
    b = trim(b);
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (cp932::isLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
            ++i;
        } else if (foldAscii(a[i]) != foldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

// The position of the last single-byte ']' in `s`, or npos.
std::size_t lastCloseBracket(std::string_view s) {
    std::size_t found = std::string_view::npos;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (cp932::isLeadByte(static_cast<unsigned char>(s[i]))) ++i;
        else if (s[i] == ']') found = i;
    }
    return found;
}

bool sectionName(std::string_view line, std::string_view& name) {
    line = trim(line);
    if (line.empty() || line.front() != '[') return false;
    line.remove_prefix(1);
    std::size_t close = lastCloseBracket(line);
    name = trim(close == std::string_view::npos ? line : line.substr(0, close));
    return true;
}

bool keyLine(std::string_view line, std::string_view& key, std::string_view& value) {
    std::string_view t = trim(line);
    if (t.empty() || t.front() == ';') return false;
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return false;
    key = trim(line.substr(0, eq));
    value = trim(line.substr(eq + 1));
    return !key.empty();
}

bool isSafeText(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

struct Place {
    std::size_t section = std::string::npos;  // line of the section header
    std::size_t key = std::string::npos;      // line of the key
    std::size_t end = 0;                      // one past the section's last non-blank line
};

Place find(const std::vector<std::string>& lines, std::string_view section, std::string_view key) {
    Place place;
    bool inside = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view name, k, v;
        if (sectionName(lines[i], name)) {
            if (inside) break;  // only the first section of that name counts
            inside = sameName(name, section);
            if (inside) place.section = i, place.end = i + 1;
            continue;
        }
        if (!inside) continue;
        if (!trim(lines[i]).empty()) place.end = i + 1;
        if (place.key == std::string::npos && keyLine(lines[i], k, v) && sameName(k, key)) place.key = i;
    }
    return place;
}

}  // namespace

IniFile IniFile::parse(std::string_view text) {
    IniFile ini;
    ini.lines.clear();
    std::size_t firstBreak = text.find('\n');
    if (firstBreak != std::string_view::npos && (firstBreak == 0 || text[firstBreak - 1] != '\r'))
        ini.newline = "\n";
    ini.endsWithNewline = text.empty() || text.back() == '\n';
    const bool crlf = ini.newline == "\r\n";
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        // A carriage return belongs to the line break only in a file whose breaks are CR LF
        // and where a line feed follows it; elsewhere it is kept, so a rewrite keeps it too.
        if (crlf && end < text.size() && !line.empty() && line.back() == '\r') line.remove_suffix(1);
        ini.lines.emplace_back(line);
        start = end + 1;
    }
    return ini;
}

std::string IniFile::serialize() const {
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        out += lines[i];
        if (i + 1 < lines.size() || endsWithNewline) out += newline;
    }
    return out;
}

std::optional<std::string> IniFile::get(std::string_view section, std::string_view key) const {
    Place place = find(lines, section, key);
    if (place.key == std::string::npos) return std::nullopt;
    std::string_view k, v;
    keyLine(lines[place.key], k, v);
    // The private-profile read drops one pair of enclosing quotation marks.
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return std::string(v);
}

bool IniFile::set(std::string_view section, std::string_view key, std::string_view value) {
    section = trim(section);
    key = trim(key);
    if (section.empty() || key.empty() || !isSafeText(section) || !isSafeText(key) || !isSafeText(value) ||
        key.find('=') != std::string_view::npos || key.front() == ';' || key.front() == '[')
        return false;
    // A section name ending in the first byte of a double-byte character would swallow the
    // closing bracket, and the new section could never be found again.
    std::string_view readName;
    std::string header(1, '[');  // built by appends: GCC 12 warns falsely on "[" + s at -O3
    header.append(section).push_back(']');
    if (!sectionName(header, readName) || !sameName(readName, section)) return false;
    Place place = find(lines, section, key);
    if (place.key != std::string::npos) {
        std::string_view k, v;
        keyLine(lines[place.key], k, v);
        lines[place.key] = std::string(k) + "=" + std::string(value);
        return true;
    }
    std::string line = std::string(key) + "=" + std::string(value);
    if (place.section != std::string::npos) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(place.end), std::move(line));
        return true;
    }
    // A last line without its line break gets one before the new section.
    endsWithNewline = true;
    lines.push_back(header);
    lines.push_back(std::move(line));
    return true;
}

std::optional<IniFile> loadIniFile(const std::string& path) {
    fsys::File file = fsys::openRead(path);
    if (!file) {
        if (fsys::exists(path)) return std::nullopt;
        return IniFile{};
    }
    std::int64_t size = file.size();
    if (size < 0 || static_cast<std::uint64_t>(size) > kMaxIniFileBytes) return std::nullopt;
    std::string text(static_cast<std::size_t>(size), '\0');
    if (file.read(text.data(), text.size()) != text.size()) return std::nullopt;
    return IniFile::parse(text);
}

bool saveIniFile(const std::string& path, const IniFile& ini) {
    const std::string temporary = path + ".tmp";
    const std::string text = ini.serialize();
    {
        fsys::File file = fsys::openWrite(temporary);
        if (!file) return false;
        bool written = file.write(text.data(), text.size()) == text.size() && file.flush() &&
                       fsys::syncToDisk(file);
        if (!file.close() || !written) {
            fsys::removeFile(temporary);
            return false;
        }
    }
    if (!fsys::replaceFile(temporary, path)) {
        fsys::removeFile(temporary);
        return false;
    }
    return true;
}
