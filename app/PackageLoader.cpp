#include "app/PackageLoader.h"

#include <string>

#include "app/InstallerState.h"
#include "app/Messages.h"
#include "app/SetupBlock.h"
#include "app/SystemFolders.h"
#include "app/WindowHelpers.h"
#include "package/FileSystem.h"
#include "package/PackageReader.h"
#include "package/Registry.h"

namespace {

// A package that was just downloaded or written may be held open by a scanner for a moment.
constexpr int kOpenTries = 200;
constexpr DWORD kOpenRetryMs = 10;

void fail(std::string_view text) { showMessageCp932(state.mainWindow, text, "Install", MB_OK); }

fsys::File openPackage(const std::string& path) {
    for (int i = 0; i < kOpenTries; ++i) {
        if (fsys::File f = fsys::openRead(path)) return f;
        if (state.startupCancelled) break;
        pumpOneMessage();
        Sleep(kOpenRetryMs);
    }
    return {};
}

bool readHeaderChecked(fsys::File& file, std::uint32_t offset, PackageHeader& header) {
    std::array<std::uint8_t, kHeaderSize> bytes = {};
    if (file.seek(offset, SEEK_SET) < 0 || file.position() != offset || file.read(bytes.data(), bytes.size()) != kHeaderSize) {
        fail("Install Data Error\nThe package ends before its header.");
        return false;
    }
    header = parsePackageHeader(bytes);
    if (header.headerVersion != kHeaderVersion) {
        fail("Install Data Version False Error");
        return false;
    }
    for (const std::string& name : {header.name(), header.title()}) {
        if (auto reason = unsafeFolderNameReason(name)) {
            fail("Install Data Name Error\n\"" + name + "\": " + *reason);
            return false;
        }
    }
    return true;
}

void lookUpInstallation() {
    state.alreadyInstalled = 0;
    state.installBaseFolder[0] = '\0';
    auto iniPath = registryIniPath();
    if (!iniPath) return;
    auto base = registry::lookUp(*iniPath, state.packageHeader.name());
    if (base && setText(state.installBaseFolder, *base)) state.alreadyInstalled = 1;
}

void fillMenuButtons() {
    for (MenuButton& b : state.menuButtons) b = MenuButton{};
    const ChipSheet& chips = *state.menuChips;
    const PackageHeader& h = state.packageHeader;
    const int x[2] = {h.installButtonX, h.quitButtonX};
    const int y[2] = {h.installButtonY, h.quitButtonY};
    for (int i = 0; i < 2; ++i) {
        MenuButton& b = state.menuButtons[i];
        b.visible = 1;
        b.firstFrame = 4 * i;
        b.state = kButtonNormal;
        b.rect = RECT{x[i], y[i], x[i] + chips.frameWidth, y[i] + chips.frameHeight};
        b.chips = &chips;
    }
}

}  // namespace

bool packagePresent() { return static_cast<bool>(fsys::openRead(std::string(textOf(state.packagePath)))); }

bool loadPackage() {
    fsys::File file = openPackage(std::string(textOf(state.packagePath)));
    // The wait pumps messages: the window may have been closed meanwhile.
    if (!file || !IsWindow(state.mainWindow)) return false;

    const std::uint32_t offset = setupPackageDataOffset();
    PackageHeader header;
    if (!readHeaderChecked(file, offset, header)) return false;

    PackageReader reader(std::move(file), offset);
    PackageHead head;
    if (!reader.readHead(head)) {
        fail("Install Data Error\n" + (reader.error() ? reader.error()->message : std::string("unreadable package")));
        return false;
    }
    state.packageHeader = head.header;
    // The whole table is checked now, so a damaged package is refused before the menu.
    PackageTables tables;
    if (!reader.readTables(head.header, tables)) {
        fail("Install Data Error\n" + (reader.error() ? reader.error()->message : std::string("unreadable package")));
        return false;
    }
    state.installBytes = head.header.totalInstallSize == 0xFFFFFFFFu ? totalFileBytes(tables)
                                                                    : head.header.totalInstallSize;

    MessageBoxReporter reporter(state.mainWindow);
    state.backgroundPicture = pictureFromBmp(head.bmp.data(), head.bmp.size(), reporter);
    if (!state.backgroundPicture) return false;
    head.bmp = {};
    const Picture& picture = *state.backgroundPicture;
    if (picture.type != kPictureTrueColour) {
        // Chips are drawn as 24-bit pixels: an indexed menu picture cannot carry them.
        fail("Install Data Error\nThe menu picture must be a 24-bit BMP.");
        return false;
    }

    state.menuSurface = createSurface(state.mainWindow, picture.width, picture.height, 24);
    if (!state.menuSurface) {
        fail("Surface Memory Error");
        return false;
    }
    state.menuChips = parseChipSheet(head.chipSheet.data(), head.chipSheet.size());
    if (!state.menuChips) {
        fail("ChipData Memory Error");
        return false;
    }

    lookUpInstallation();
    fillMenuButtons();
    composeButtons(*state.menuSurface, picture, state.menuButtons, 2);
    setClientSize(state.mainWindow, state.menuSurface->width, state.menuSurface->height);
    centreOnScreen(state.mainWindow);
    return true;
}
