#include "package/PackageFormat.h"

#include "package/Cp932.h"

#include <cstring>

namespace {

std::uint32_t getU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void putU32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

std::int32_t getI32(const std::uint8_t* p) { return static_cast<std::int32_t>(getU32(p)); }
void putI32(std::uint8_t* p, std::int32_t v) { putU32(p, static_cast<std::uint32_t>(v)); }

template <std::size_t N>
std::string fieldText(const char (&field)[N]) {
    std::size_t n = 0;
    while (n < N && field[n] != '\0') ++n;
    return std::string(field, n);
}

// A name this long still fits below MAX_PATH (260) under a base folder and the game folder.
constexpr std::size_t kMaxNameBytes = 200;

bool isReservedDeviceName(std::string_view component) {
    // Windows reserves the device names with any extension ("nul.txt") and ignores blanks
    // before the extension.
    std::string base(component.substr(0, component.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (char& c : base)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    static const char* const fixed[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* name : fixed)
        if (base == name) return true;
    if (base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0))
        return base[3] >= '1' && base[3] <= '9';
    return false;
}

std::optional<std::string> componentReason(std::string_view c) {
    if (c.empty()) return "has an empty folder name";
    if (c == "." || c == "..") return "has a \".\" or \"..\" component";
    if (c.back() == '.' || c.back() == ' ') return "has a name ending in a dot or a blank";
    if (isReservedDeviceName(c)) return "uses a reserved device name";
    return std::nullopt;
}

// Splits at single-byte backslashes and checks each character; the second byte of a
// double-byte character is never taken for a separator or a forbidden character.
std::optional<std::string> pathReason(std::string_view name, bool oneComponent) {
    if (name.empty()) return "is empty";
    if (name.size() > kMaxNameBytes) return "is longer than 200 bytes";
    auto roundTrip = cp932::fromUtf8(cp932::toUtf8(name));
    if (!roundTrip || *roundTrip != name) return "is not valid cp932 text";
    if (name.size() >= 2 && name[1] == ':') return "starts with a drive letter";
    if (name[0] == '\\' || name[0] == '/') return "is an absolute path";
    std::size_t start = 0;
    for (std::size_t i = 0; i <= name.size();) {
        if (i == name.size() || name[i] == '\\') {
            if (i < name.size() && oneComponent) return "must be a single folder name";
            if (auto why = componentReason(name.substr(start, i - start))) return why;
            start = ++i;
            continue;
        }
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (cp932::isLeadByte(c)) { i += 2; continue; }
        if (c < 0x20) return "contains a control character";
        if (std::strchr("<>:\"/|?*", c)) return "contains a character Windows does not allow in names";
        ++i;
    }
    return std::nullopt;
}

}  // namespace

std::string PackageHeader::name() const { return fieldText(gameName); }
std::string PackageHeader::title() const { return fieldText(gameTitle); }

PackageHeader parsePackageHeader(std::span<const std::uint8_t, kHeaderSize> bytes) {
    const std::uint8_t* p = bytes.data();
    PackageHeader h;
    h.headerVersion = static_cast<std::uint16_t>(p[0] | p[1] << 8);
    std::memcpy(h.gameName, p + 2, sizeof h.gameName);
    std::memcpy(h.gameTitle, p + 18, sizeof h.gameTitle);
    h.gameVersion = getI32(p + 68);
    h.installButtonX = getI32(p + 72);
    h.installButtonY = getI32(p + 76);
    h.quitButtonX = getI32(p + 80);
    h.quitButtonY = getI32(p + 84);
    h.setupImageSize = getU32(p + 88);
    h.reserved92 = getU32(p + 92);
    h.totalInstallSize = getU32(p + 96);
    h.reserved100 = getU32(p + 100);
    return h;
}

std::array<std::uint8_t, kHeaderSize> serializePackageHeader(const PackageHeader& h) {
    std::array<std::uint8_t, kHeaderSize> out{};
    std::uint8_t* p = out.data();
    p[0] = static_cast<std::uint8_t>(h.headerVersion);
    p[1] = static_cast<std::uint8_t>(h.headerVersion >> 8);
    std::memcpy(p + 2, h.gameName, sizeof h.gameName);
    std::memcpy(p + 18, h.gameTitle, sizeof h.gameTitle);
    putI32(p + 68, h.gameVersion);
    putI32(p + 72, h.installButtonX);
    putI32(p + 76, h.installButtonY);
    putI32(p + 80, h.quitButtonX);
    putI32(p + 84, h.quitButtonY);
    putU32(p + 88, h.setupImageSize);
    putU32(p + 92, h.reserved92);
    putU32(p + 96, h.totalInstallSize);
    putU32(p + 100, h.reserved100);
    return out;
}

std::string scrambleName(std::string_view plain) {
    std::string out(plain);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char>(static_cast<unsigned char>(out[i]) + 31 + i);
    return out;
}

std::string unscrambleName(std::string_view stored) {
    std::string out(stored);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char>(static_cast<unsigned char>(out[i]) - 31 - i);
    return out;
}

std::optional<std::string> unsafeNameReason(std::string_view cp932Name) {
    return pathReason(cp932Name, false);
}

std::optional<std::string> unsafeFolderNameReason(std::string_view cp932Name) {
    return pathReason(cp932Name, true);
}
