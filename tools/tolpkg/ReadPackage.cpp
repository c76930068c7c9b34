#include "package/Cp932.h"
#include "package/PackageReader.h"
#include "package/PackageWriter.h"
#include "picture/ChipSheet.h"
#include "picture/Picture.h"
#include "tools/tolpkg/BadInput.h"
#include "tools/tolpkg/Commands.h"
#include "tools/tolpkg/HostFiles.h"
#include "tools/tolpkg/Progress.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <system_error>

namespace {

// The reader's messages quote stored cp932 text, which may be anything: shown as UTF-8,
// control characters replaced and the line kept short.
std::string printable(const std::string& cp932Text) {
    std::string text = cp932::toUtf8(cp932Text);
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    if (text.size() > 300) {
        std::size_t cut = 300;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
        text = text.substr(0, cut) + "...";
    }
    return text;
}

struct OpenPackage {
    std::filesystem::path path;
    PackageReader reader;

    OpenPackage(const std::filesystem::path& p, std::uint32_t headerOffset)
        : path(p), reader(host::openRead(p), headerOffset) {}

    [[noreturn]] void fail(const std::string& message, std::uint64_t offset) const {
        char where[32];
        std::snprintf(where, sizeof where, "0x%" PRIx64, offset);
        throw BadInput(host::display(path) + " at " + where + ": " + message);
    }
    [[noreturn]] void failRead() const {
        if (reader.error()) fail(printable(reader.error()->message), reader.error()->offset);
        throw BadInput(host::display(path) + ": cannot read the package");
    }
};

PackageHeader headerOf(OpenPackage& package) {
    if (!package.reader.file()) throw BadInput(host::display(package.path) + ": cannot open the file");
    PackageHeader header;
    if (!package.reader.readHeader(header)) package.failRead();
    return header;
}

PackageTables tablesOf(OpenPackage& package, const PackageHeader& header) {
    PackageTables tables;
    if (!package.reader.readTables(header, tables)) package.failRead();
    return tables;
}

std::vector<std::string> namesOf(const PackageTables& tables) {
    std::vector<std::string> names;
    for (const auto& file : tables.files) names.push_back(file.name);
    return names;
}

// The tables' names are checked again here, whatever the reader let through, because
// extraction turns them into paths.
void checkTables(OpenPackage& package, const PackageHeader& header, const PackageTables& tables) {
    if (auto why = fileNamesProblem(namesOf(tables))) package.fail(*why, header.setupImageSize);
    if (auto why = linksProblem(tables.links, namesOf(tables))) package.fail(*why, header.setupImageSize);
}

void printText(const char* key, const std::string& cp932Text) {
    std::printf("%s: %s\n", key, cp932::toUtf8(cp932Text).c_str());
}

void printNumber(const char* key, std::uint64_t value) {
    std::printf("%s: %llu\n", key, static_cast<unsigned long long>(value));
}

std::int32_t bmpInt(const std::vector<std::uint8_t>& bmp, std::size_t at) {
    return static_cast<std::int32_t>(bmp[at] | (bmp[at + 1] << 8) | (bmp[at + 2] << 16) | (std::uint32_t(bmp[at + 3]) << 24));
}

std::vector<std::uint8_t> programHead(OpenPackage& package, std::uint32_t headerOffset) {
    std::vector<std::uint8_t> head(headerOffset);
    fsys::File& file = package.reader.file();
    file.seek(0, SEEK_SET);
    head.resize(file.read(head.data(), head.size()));
    return head;
}

void verifySetupBlock(OpenPackage& package, std::uint32_t headerOffset) {
    std::vector<std::uint8_t> head = programHead(package, headerOffset);
    std::int64_t tag = findSetupBlockTag(head);
    if (tag < 8) package.fail("the program image has no Setup Block", 0);
    std::size_t at = std::size_t(tag) - 8;
    std::uint32_t offset = head[at] | (head[at + 1] << 8) | (head[at + 2] << 16) | (std::uint32_t(head[at + 3]) << 24);
    if (offset != headerOffset)
        package.fail("the Setup Block gives header offset " + std::to_string(offset) + ", not " +
                         std::to_string(headerOffset), at);
    if (head[at + 4] == 3 && head[at + 5] == 0 && head[at + 6] == 0 && head[at + 7] == 0)
        package.fail("the Setup Block selects uninstall mode (run mode 3)", at + 4);
}

void verifyHead(OpenPackage& package, const PackageHeader& header, std::uint32_t headerOffset) {
    PackageHead head;
    if (!package.reader.readHead(head)) package.failRead();
    std::uint64_t pictureAt = std::uint64_t(headerOffset) + kHeaderSize;
    CollectingReporter reporter;
    auto picture = pictureFromBmp(head.bmp.data(), head.bmp.size(), reporter);
    if (!picture) package.fail("the menu picture is not a BMP the program reads", pictureAt);
    if (picture->type != kPictureTrueColour || head.bmp.size() < 30 || head.bmp[28] != 24)
        package.fail("the menu picture is not a 24-bit BMP", pictureAt);
    if (picture->width % 4 != 0)
        package.fail("the menu picture's width " + std::to_string(picture->width) + " is not a multiple of 4", pictureAt);
    std::uint64_t chipsAt = pictureAt + 8 + head.bmp.size();
    auto sheet = parseChipSheet(head.chipSheet.data(), head.chipSheet.size());
    if (!sheet) package.fail("the chip block is not a valid Chip Sheet", chipsAt);
    if (sheet->frameCount < 7 || sheet->frameWidth <= 0 || sheet->frameHeight <= 0)
        package.fail("the chip sheet needs at least 7 frames of a positive size", chipsAt);
    auto inside = [&](std::int32_t x, std::int32_t y) {
        return x >= 0 && y >= 0 && x + sheet->frameWidth <= picture->width && y + sheet->frameHeight <= picture->height;
    };
    if (!inside(header.installButtonX, header.installButtonY)) package.fail("the install button lies outside the menu picture", headerOffset + 72);
    if (!inside(header.quitButtonX, header.quitButtonY)) package.fail("the quit button lies outside the menu picture", headerOffset + 80);
    std::uint64_t headEnd = chipsAt + head.chipSheet.size();
    if (header.setupImageSize < headEnd)
        package.fail("setupImageSize " + std::to_string(header.setupImageSize) + " ends inside the package head (" +
                         std::to_string(headEnd) + " bytes)", headerOffset + 88);
}

// A symbolic link already inside the target folder could lead a file out of it: every
// level below the folder, the file included, must be a plain folder or file or not exist.
void refuseLinksOnTheWay(const std::filesystem::path& folder, const std::filesystem::path& target) {
    std::filesystem::path at = folder;
    for (const auto& part : target.lexically_relative(folder)) {
        at /= part;
        std::error_code ec;
        if (std::filesystem::is_symlink(std::filesystem::symlink_status(at, ec)))
            throw BadInput(host::display(at) + ": is a symbolic link; nothing is extracted through it");
    }
}

void copyOut(OpenPackage& package, const PackageFileEntry& entry, const std::filesystem::path& target,
             std::vector<std::uint8_t>& buffer, Progress& progress, std::uint64_t& done) {
    fsys::File& in = package.reader.file();
    in.seek(static_cast<std::int64_t>(entry.dataOffset), SEEK_SET);
    if (in.position() != static_cast<std::int64_t>(entry.dataOffset)) package.fail("cannot seek to the file's data", entry.dataOffset);
    fsys::File out = host::openWrite(target);
    if (!out) throw BadInput(host::display(target) + ": cannot create the file");
    std::uint64_t left = entry.size;
    while (left > 0) {
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
        if (in.read(buffer.data(), n) != n) package.fail("the file's data ends early", entry.dataOffset);
        if (out.write(buffer.data(), n) != n) throw BadInput(host::display(target) + ": cannot write the file");
        left -= n;
        done += n;
        progress.update(done);
    }
    if (!out.close()) throw BadInput(host::display(target) + ": cannot write the file");
}

}  // namespace

void showInfo(const std::filesystem::path& path, std::uint32_t headerOffset) {
    OpenPackage package(path, headerOffset);
    PackageHeader header = headerOf(package);
    std::printf("headerOffset: 0x%X\n", headerOffset);
    printNumber("headerVersion", header.headerVersion);
    printText("gameName", header.name());
    printText("gameTitle", header.title());
    std::printf("gameVersion: %d\n", header.gameVersion);
    std::printf("installButton: %d, %d\n", header.installButtonX, header.installButtonY);
    std::printf("quitButton: %d, %d\n", header.quitButtonX, header.quitButtonY);
    printNumber("setupImageSize", header.setupImageSize);
    printNumber("totalInstallSize", header.totalInstallSize);
    PackageHead head;
    if (!package.reader.readHead(head)) package.failRead();
    if (head.bmp.size() >= 30)
        std::printf("menuPicture: %dx%d, %d bits, %zu bytes\n", bmpInt(head.bmp, 18), bmpInt(head.bmp, 22),
                    head.bmp[28] | (head.bmp[29] << 8), head.bmp.size());
    if (auto sheet = parseChipSheet(head.chipSheet.data(), head.chipSheet.size()))
        std::printf("chipSheet: %d frames of %dx%d\n", sheet->frameCount, sheet->frameWidth, sheet->frameHeight);
    PackageTables tables = tablesOf(package, header);
    printNumber("files", tables.files.size());
    printNumber("links", tables.links.size());
    for (std::size_t i = 0; i < tables.links.size(); ++i)
        std::printf("link%zu: %s -> %s\n", i + 1, cp932::toUtf8(tables.links[i].name).c_str(),
                    cp932::toUtf8(tables.links[i].target).c_str());
    printNumber("packageSize", package.reader.fileSize());
    if (tables.endOffset < package.reader.fileSize()) printNumber("trailingBytes", package.reader.fileSize() - tables.endOffset);
}

void listFiles(const std::filesystem::path& path, std::uint32_t headerOffset) {
    OpenPackage package(path, headerOffset);
    PackageHeader header = headerOf(package);
    PackageTables tables = tablesOf(package, header);
    for (const auto& file : tables.files) std::printf("%u\t%s\n", file.size, cp932::toUtf8(file.name).c_str());
}

void verifyPackage(const std::filesystem::path& path, std::uint32_t headerOffset) {
    OpenPackage package(path, headerOffset);
    PackageHeader header = headerOf(package);
    verifySetupBlock(package, headerOffset);
    verifyHead(package, header, headerOffset);
    PackageTables tables = tablesOf(package, header);
    checkTables(package, header, tables);
    std::vector<std::uint64_t> sizes;
    for (const auto& file : tables.files) sizes.push_back(file.size);
    std::uint32_t total = saturatedTotal(sizes);
    if (header.totalInstallSize != total)
        package.fail("totalInstallSize is " + std::to_string(header.totalInstallSize) + " but the files hold " +
                         std::to_string(total) + " bytes", headerOffset + 96);
    std::printf("ok: %zu files, %zu links, %u bytes to install\n", tables.files.size(), tables.links.size(), total);
}

void extractPackage(const std::filesystem::path& path, const std::filesystem::path& folder, std::uint32_t headerOffset) {
    OpenPackage package(path, headerOffset);
    PackageHeader header = headerOf(package);
    PackageTables tables = tablesOf(package, header);
    checkTables(package, header, tables);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::is_directory(folder, ec)) throw BadInput(host::display(folder) + ": cannot create the folder");
    std::uint64_t total = 0, done = 0;
    for (const auto& file : tables.files) total += file.size;
    Progress progress("Extracting", total);
    std::vector<std::uint8_t> buffer(1 << 20);
    std::vector<std::filesystem::path> targets;
    for (const auto& file : tables.files) {
        targets.push_back(host::hostPathOf(folder, file.name));
        refuseLinksOnTheWay(folder, targets.back());
    }
    for (std::size_t i = 0; i < tables.files.size(); ++i) {
        std::filesystem::create_directories(targets[i].parent_path(), ec);
        if (ec) throw BadInput(host::display(targets[i].parent_path()) + ": cannot create the folder");
        copyOut(package, tables.files[i], targets[i], buffer, progress, done);
    }
    progress.finish();
    std::printf("%zu files extracted to %s\n", tables.files.size(), host::display(folder).c_str());
}
