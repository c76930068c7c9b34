#include "package/PackageReader.h"
#include "package/PackageWriter.h"
#include "picture/ChipSheet.h"
#include "picture/Picture.h"
#include "tools/image/ImageFile.h"
#include "tools/tolpkg/BadInput.h"
#include "tools/tolpkg/Commands.h"
#include "tools/tolpkg/HostFiles.h"
#include "tools/tolpkg/Manifest.h"
#include "tools/tolpkg/Progress.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace {

std::filesystem::path setupImageOf(const BuildOptions& options, const Manifest& manifest) {
    if (options.setupImage) return *options.setupImage;
    if (manifest.setupImage) return *manifest.setupImage;
    return TOLPKG_DEFAULT_SETUP_IMAGE;
}

// The menu needs 24-bit rows of 3 x width bytes that are a multiple of 4, so the width must
// be a multiple of 4: the picture is refused rather than padded, which would change the
// menu window's size.
std::vector<std::uint8_t> menuBmp(const Manifest& manifest) {
    Image image;
    std::string path = host::display(manifest.menuPicture);
    if (auto error = loadImageFile(manifest.menuPicture.string(), 3, image); !error.empty())
        throw BadInput(path + ": " + error);
    if (image.width % 4 != 0)
        throw BadInput(path + ": menu picture width " + std::to_string(image.width) + " is not a multiple of 4");
    std::vector<std::uint8_t> bmp = imageToBmp24(image);
    CollectingReporter reporter;
    if (!pictureFromBmp(bmp.data(), bmp.size(), reporter)) throw BadInput(path + ": menu picture does not convert to a 24-bit BMP");
    return bmp;
}

ChipSheet buttonSheet(const Manifest& manifest) {
    Image strip;
    std::string path = host::display(manifest.buttonStrip);
    if (auto error = loadImageFile(manifest.buttonStrip.string(), 4, strip); !error.empty())
        throw BadInput(path + ": " + error);
    int frameWidth = manifest.frameWidth ? manifest.frameWidth : strip.width / 8;
    int frameHeight = manifest.frameHeight ? manifest.frameHeight : strip.height;
    if (frameWidth <= 0 || frameHeight <= 0 || strip.width % frameWidth || strip.height % frameHeight)
        throw BadInput(path + ": a " + std::to_string(strip.width) + "x" + std::to_string(strip.height) +
                       " strip does not divide into frames of " + std::to_string(frameWidth) + "x" +
                       std::to_string(frameHeight));
    ChipSheet sheet;
    if (auto error = chipSheetFromImage(strip, frameWidth, frameHeight, sheet); !error.empty())
        throw BadInput(path + ": " + error);
    if (sheet.frameCount < 8)
        throw BadInput(path + ": the button strip has " + std::to_string(sheet.frameCount) +
                       " frames; install and quit need 4 each");
    return sheet;
}

void checkButtonInside(const char* what, std::int32_t x, std::int32_t y, const ChipSheet& sheet,
                       const std::vector<std::uint8_t>& bmp, const std::filesystem::path& manifest) {
    std::int32_t width, height;
    std::memcpy(&width, bmp.data() + 18, 4);
    std::memcpy(&height, bmp.data() + 22, 4);
    if (x + sheet.frameWidth > width || y + sheet.frameHeight > height)
        throw BadInput(host::display(manifest) + ": " + what + " at (" + std::to_string(x) + ", " + std::to_string(y) +
                       ") does not fit the " + std::to_string(width) + "x" + std::to_string(height) + " menu picture");
}

void setText(char* field, std::size_t size, const std::string& text) {
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), std::min(text.size(), size - 1));
}

PackageContents contentsOf(const BuildOptions& options, const Manifest& manifest, std::uint64_t& dataBytes) {
    PackageContents contents;
    std::filesystem::path setupImage = setupImageOf(options, manifest);
    contents.programImage = host::readFile(setupImage);
    contents.headerOffset = options.headerOffset.value_or(manifest.headerOffset);
    if (contents.programImage.size() > contents.headerOffset)
        throw BadInput(host::display(setupImage) + ": the setup image (" + std::to_string(contents.programImage.size()) +
                       " bytes) is larger than the header offset " + std::to_string(contents.headerOffset));
    if (findSetupBlockTag(contents.programImage) < 8)
        throw BadInput(host::display(setupImage) + ": no Setup Block (tag \"VRDN\" after two 32-bit values)");
    PackageHeader& h = contents.header;
    setText(h.gameName, sizeof h.gameName, manifest.gameName);
    setText(h.gameTitle, sizeof h.gameTitle, manifest.gameTitle);
    h.gameVersion = manifest.gameVersion;
    h.installButtonX = manifest.installButtonX;
    h.installButtonY = manifest.installButtonY;
    h.quitButtonX = manifest.quitButtonX;
    h.quitButtonY = manifest.quitButtonY;
    contents.bmp = menuBmp(manifest);
    ChipSheet sheet = buttonSheet(manifest);
    checkButtonInside("menu.install_button", h.installButtonX, h.installButtonY, sheet, contents.bmp, options.manifest);
    checkButtonInside("menu.quit_button", h.quitButtonX, h.quitButtonY, sheet, contents.bmp, options.manifest);
    contents.chipSheet = serializeChipSheet(sheet);
    dataBytes = 0;
    for (auto& file : host::listGameFiles(options.filesFolder.value_or(manifest.filesFolder))) {
        if (file.size > 0xFFFFFFFFull) throw BadInput(host::display(file.path) + ": files must be smaller than 4 GB");
        contents.files.push_back({file.storedName, file.path.string()});
        dataBytes += file.size;
    }
    contents.links = manifest.links;
    return contents;
}

}  // namespace

void buildPackage(const BuildOptions& options) {
    Manifest manifest = loadManifest(options.manifest);
    std::uint64_t dataBytes = 0;
    PackageContents contents = contentsOf(options, manifest, dataBytes);
    if (auto why = packageContentsProblem(contents)) throw BadInput(host::display(options.manifest) + ": " + *why);

    // Written under a temporary name so that a failed build leaves no half package behind.
    std::filesystem::path partial = options.output;
    partial += ".part";
    fsys::File out = host::openWrite(partial);
    if (!out) throw BadInput(host::display(partial) + ": cannot create the file");
    Progress progress("Packing", dataBytes);
    auto opener = [](const std::string& source) { return host::openRead(source); };
    PackageWriteResult result = writePackage(out, contents, opener, [&](std::uint64_t done) { progress.update(done); });
    progress.finish();
    bool closed = out.close();
    std::error_code ec;
    if (result.error || !closed) {
        std::filesystem::remove(partial, ec);
        throw BadInput(host::display(options.output) + ": " + result.error.value_or("cannot write the package"));
    }
    std::filesystem::rename(partial, options.output, ec);
    if (ec) {
        std::filesystem::remove(partial, ec);
        throw BadInput(host::display(options.output) + ": cannot rename the finished package into place");
    }
    std::printf("%s: %zu files, %zu links, %llu bytes\n", host::display(options.output).c_str(), contents.files.size(),
                contents.links.size(), static_cast<unsigned long long>(result.packageSize));
}
