// The adversarial package set of tests/adversarial/make_packages.py, one table of cases:
// each package is put to `tolpkg verify`, to the loader (header, head, menu picture, chips
// and tables, as the program loads a package) and to the install engine, which gets the
// header as stored even where the loader refused it. Every layer must answer as the table
// says, with its message, and no install may write outside the game folder, its Start-menu
// folder, the desktop and the registry; the removal afterwards leaves the tree as it was.
#include "HostileSupport.h"

#include "package/Cp932.h"
#include "package/PackageReader.h"
#include "picture/ChipSheet.h"
#include "picture/Picture.h"
#include "tests/unit/install/EngineFixtures.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace fixtures;

namespace {

constexpr std::uint32_t kHeaderOffset = 16;

struct Case {
    std::string file, verify, loader, install;
};

// Generates the set once per run into the test's own folder and reads its table.
const std::vector<Case>& cases() {
    static const std::vector<Case> table = [] {
        static TempFolder folder;
        const fs::path out = folder.native() / "adversarial";
        hostile::runChecked({HOSTILE_PYTHON, TOLMAR_SOURCE_DIR "/tests/adversarial/make_packages.py", out.string()});
        std::vector<Case> rows;
        std::ifstream in(out / "cases.tsv");
        for (std::string line; std::getline(in, line);) {
            std::istringstream fields(line);
            Case c;
            std::getline(fields, c.file, '\t');
            std::getline(fields, c.verify, '\t');
            std::getline(fields, c.loader, '\t');
            std::getline(fields, c.install, '\t');
            c.file = (out / c.file).string();
            rows.push_back(c);
        }
        return rows;
    }();
    return table;
}

bool accepts(const std::string& expected) { return expected == "accept"; }

// What the program's loader says about the package, "" when it takes it.
std::string loaderRefusal(const std::string& path) {
    PackageReader reader(fsys::openRead(path), kHeaderOffset);
    PackageHead head;
    if (!reader.readHead(head)) return reader.error()->message;
    CollectingReporter reporter;
    if (!pictureFromBmp(head.bmp.data(), head.bmp.size(), reporter))
        return reporter.messages.empty() ? "no picture" : reporter.messages[0].text;
    if (!parseChipSheet(head.chipSheet.data(), head.chipSheet.size())) return "no chip sheet";
    PackageTables tables;
    if (!reader.readTables(head.header, tables)) return reader.error()->message;
    return "";
}

std::string headerAsStored(const std::string& path, PackageHeader& header) {
    std::string bytes = readFile(path);
    if (bytes.size() < kHeaderOffset + kHeaderSize) return "short";
    header = parsePackageHeader(std::span<const std::uint8_t, kHeaderSize>(
        reinterpret_cast<const std::uint8_t*>(bytes.data()) + kHeaderOffset, kHeaderSize));
    return "";
}

bool startsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

// The names that differ between two snapshots: "+added", "~changed", "-removed".
std::string difference(const std::map<std::string, std::string>& before, const std::map<std::string, std::string>& after) {
    std::string out;
    for (const auto& [name, bytes] : after) {
        auto old = before.find(name);
        if (old == before.end()) out += " +" + name;
        else if (old->second != bytes) out += " ~" + name;
    }
    for (const auto& [name, bytes] : before)
        if (!after.count(name)) out += " -" + name;
    return out;
}

TEST(Adversarial, TolpkgVerifyAnswersEveryCase) {
    ASSERT_GT(cases().size(), 40u);
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.file);
        auto [status, output] = hostile::run({TOLPKG_BINARY, "verify", "--header-offset", "16", c.file});
        if (accepts(c.verify)) {
            EXPECT_EQ(status, 0) << output;
            continue;
        }
        EXPECT_EQ(status, 1) << output;
        EXPECT_NE(output.find("tolpkg: "), std::string::npos) << output;
        EXPECT_NE(output.find(c.verify), std::string::npos) << output;
        EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << "one clear line: " << output;
    }
}

TEST(Adversarial, TheLoaderAnswersEveryCase) {
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.file);
        std::string refusal = loaderRefusal(c.file);
        if (accepts(c.loader))
            EXPECT_EQ(refusal, "");
        else
            EXPECT_NE(refusal.find(c.loader), std::string::npos) << refusal;
    }
}

TEST(Adversarial, TheInstallWritesNothingOutsideItsFoldersAndIsRemovable) {
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.file);
        World w;
        fs::copy_file(c.file, onDisk(w.packagePath));
        writeFile(onDisk(w.base) / "outside.txt", "o");
        writeFile(w.tmp.native() / "programs" / "Other" / "keep.url", "u");
        InstallRequest request;
        ASSERT_EQ(headerAsStored(c.file, request.header), "");
        request.packagePath = w.packagePath;
        request.headerOffset = kHeaderOffset;
        request.installBaseFolder = w.base;
        request.registryPath = w.ini;
        const auto before = snapshot(w.tmp.native());

        InstallOutcome outcome = w.run(request);

        const auto after = snapshot(w.tmp.native());
        std::string messages;
        for (const auto& m : w.reporter.messages) messages += cp932::toUtf8(m.text) + "\n";
        if (accepts(c.install)) {
            EXPECT_TRUE(outcome.installed) << messages;
        } else {
            EXPECT_FALSE(outcome.installed);
            EXPECT_NE(messages.find(c.install), std::string::npos) << messages;
            EXPECT_EQ(difference(before, after), "") << "a refused install leaves nothing";
        }
        const std::string game = fs::relative(onDisk(w.base), w.tmp.native()).string() + "/" +
                                 cp932::toUtf8(request.header.name()) + "/";
        const std::string menu = "programs/" + cp932::toUtf8(request.header.title()) + "/";
        for (const auto& [name, bytes] : after) {
            auto old = before.find(name);
            if (old != before.end() && old->second == bytes) continue;
            EXPECT_TRUE(startsWith(name, game) || startsWith(name, menu) || startsWith(name, "desktop/") ||
                        name == "TolmarInstall.INI")
                << "written outside: " << name;
        }
        for (const auto& [name, bytes] : before) EXPECT_TRUE(after.count(name)) << "deleted: " << name;

        RemovalRequest removal{outcome.installFolder, request.header.name(), request.header.title(), true, w.ini};
        removeInstallation(removal, w.shell);
        auto removed = snapshot(w.tmp.native());
        removed.erase("TolmarInstall.INI");
        EXPECT_EQ(difference(before, removed), "") << "the removal takes away everything the install made";
    }
}

}  // namespace
