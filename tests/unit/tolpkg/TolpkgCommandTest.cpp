#include "package/PackageReader.h"
#include "tests/unit/tolpkg/TolpkgTestSupport.h"
#include "tools/image/ImageFile.h"
#include "tools/tolpkg/HostFiles.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

namespace {

const std::string kSample = std::string(TOLMAR_SOURCE_DIR) + "/tests/sample/";

struct ManifestText {
    std::string game = "name = \"TOLMAR01\"\ntitle = \"トルマール物語 体験版\"\nversion = 100\n";
    std::string setup = "image = \"head.bin\"\n";
    std::string menu = "picture = \"" + kSample + "menu.png\"\nbuttons = \"" + kSample +
                       "buttons.png\"\nframe_width = 112\ninstall_button = [56, 236]\nquit_button = [232, 236]\n";
    std::string files = "folder = \"files\"\n";
    std::string links = "[[links]]\nname = \"公式サイト\"\ntarget = \"http://www.example.com/tolmar/\"\n"
                        "[[links]]\nname = \"マニュアル\"\ntarget = 'manual\\index.html'\n";
    std::string text() const {
        return "[game]\n" + game + "[setup]\n" + setup + "[menu]\n" + menu + "[files]\n" + files + links;
    }
};

// The files of a small game: nested folders, an empty file, one above 32 KB, a Japanese name.
const std::map<std::string, std::vector<std::uint8_t>>& gameFiles() {
    static const std::map<std::string, std::vector<std::uint8_t>> files = {
        {"Tolmar.exe", patternBytes(5000, 1)},
        {"readme.txt", {'h', 'i', '\n'}},
        {"data/empty.dat", {}},
        {"data/big/music.bin", patternBytes(40000, 2)},
        {"manual/index.html", {'<', 'p', '>'}},
        {"データ/セリフ集.txt", patternBytes(77, 3)},
    };
    return files;
}

class Tolpkg : public ::testing::Test {
protected:
    TempDir dir;
    fs::path manifest = dir / "game.toml";
    fs::path package = dir / "game.exe";

    void SetUp() override {
        writeAll(dir / "head.bin", fakeSetupImage());
        for (const auto& [name, bytes] : gameFiles()) writeAll(dir / "files" / name, bytes);
    }
    RunResult run(const std::string& arguments) { return runTolpkg(arguments, dir); }
    RunResult build(const ManifestText& m = {}) {
        writeText(manifest, m.text());
        return run("build " + q(manifest) + " -o " + q(package));
    }
    void buildGood() {
        RunResult r = build();
        ASSERT_EQ(r.status, 0) << r.err;
    }
};

std::set<fs::path> everything(const fs::path& root) {
    std::set<fs::path> paths;
    for (const auto& entry : fs::recursive_directory_iterator(root)) paths.insert(entry.path());
    return paths;
}

TEST_F(Tolpkg, BuildVerifyListInfoAndExtractAgree) {
    buildGood();
    RunResult verify = run("verify " + q(package));
    EXPECT_EQ(verify.status, 0) << verify.err;
    EXPECT_EQ(verify.out, "ok: 6 files, 2 links, 45083 bytes to install\n");

    RunResult list = run("list " + q(package));
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out,
              "5000\tTolmar.exe\n40000\tdata\\big\\music.bin\n0\tdata\\empty.dat\n3\tmanual\\index.html\n"
              "3\treadme.txt\n77\tデータ\\セリフ集.txt\n");

    RunResult info = run("info " + q(package));
    EXPECT_EQ(info.status, 0);
    for (const char* line : {"gameName: TOLMAR01\n", "gameTitle: トルマール物語 体験版\n", "gameVersion: 100\n",
                             "installButton: 56, 236\n", "totalInstallSize: 45083\n", "chipSheet: 8 frames of 112x32\n",
                             "menuPicture: 400x300, 24 bits", "link2: マニュアル -> manual\\index.html\n"})
        EXPECT_NE(info.out.find(line), std::string::npos) << line << "\n" << info.out;

    RunResult extract = run("extract " + q(package) + " " + q(dir / "out"));
    ASSERT_EQ(extract.status, 0) << extract.err;
    std::size_t found = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir / "out"))
        if (entry.is_regular_file()) ++found;
    EXPECT_EQ(found, gameFiles().size());
    for (const auto& [name, bytes] : gameFiles()) EXPECT_EQ(readAll(dir / "out" / name), bytes) << name;
}

TEST_F(Tolpkg, BuildingTwiceGivesTheSameBytes) {
    buildGood();
    auto first = readAll(package);
    buildGood();
    EXPECT_EQ(readAll(package), first);
}

struct Layout {
    std::uint64_t setupImageSize, firstName, firstNameLength, firstSize, linkCount;
};

Layout layoutOf(const fs::path& package) {
    PackageReader reader(host::openRead(package));
    PackageHeader header;
    PackageTables tables;
    EXPECT_TRUE(reader.readHeader(header) && reader.readTables(header, tables));
    const auto& first = tables.files.front();
    const auto& last = tables.files.back();
    return {header.setupImageSize, first.dataOffset - 4 - first.name.size(), first.name.size(), first.dataOffset - 4,
            last.dataOffset + last.size};
}

void putU32(std::vector<std::uint8_t>& b, std::uint64_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void putName(std::vector<std::uint8_t>& b, const Layout& l, const std::string& plain) {
    ASSERT_EQ(plain.size(), l.firstNameLength);
    std::string stored = scrambleName(plain);
    std::copy(stored.begin(), stored.end(), b.begin() + std::ptrdiff_t(l.firstName));
}

TEST_F(Tolpkg, DamagedPackagesAreRefusedAndNothingIsWrittenOutsideTheTarget) {
    buildGood();
    const std::vector<std::uint8_t> good = readAll(package);
    const Layout l = layoutOf(package);
    struct Case {
        const char* what;
        std::function<void(std::vector<std::uint8_t>&)> damage;
        const char* command;  // verify, list or extract
        const char* message;
    };
    const Case cases[] = {
        {"cut inside the header", [](auto& b) { b.resize(0x75000 + 50); }, "list", "Package Header"},
        {"cut inside the picture", [](auto& b) { b.resize(0x75000 + 5000); }, "verify", "picture"},
        {"cut inside the file data", [&](auto& b) { b.resize(l.firstSize + 100); }, "extract", "past the end"},
        {"cut before the link table", [&](auto& b) { b.resize(l.linkCount); }, "extract", ""},
        {"file count past the end", [&](auto& b) { putU32(b, l.setupImageSize, 0x7FFFFFFF); }, "extract", ""},
        {"file size past the end", [&](auto& b) { putU32(b, l.firstSize, 0xFFFFFFF0u); }, "extract", "past the end"},
        {"link count past the end", [&](auto& b) { b[l.linkCount] = 255; }, "extract", ""},
        {"climbing name", [&](auto& b) { putName(b, l, "..\\evil.ex"); }, "extract", "evil.ex"},
        {"absolute name", [&](auto& b) { putName(b, l, "\\evilx.exe"); }, "extract", "absolute"},
        {"drive name", [&](auto& b) { putName(b, l, "C:evil.exe"); }, "extract", ""},
        {"header version 105", [](auto& b) { b[0x75000] = 105; }, "extract", "105"},
        {"wrong total", [](auto& b) { putU32(b, 0x75000 + 96, 1); }, "verify", "totalInstallSize"},
        {"uninstall run mode", [](auto& b) { putU32(b, 1024 + 4, 3); }, "verify", "run mode 3"},
        {"no Setup Block", [](auto& b) { b[1024 + 8] = 'X'; }, "verify", "Setup Block"},
        {"setupImageSize inside the head", [](auto& b) { putU32(b, 0x75000 + 88, 0x75000 + 104); }, "verify", ""},
        {"menu picture not a BMP", [](auto& b) { b[0x75000 + 108] = 'X'; }, "verify", "menu picture"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::uint8_t> bytes = good;
        c.damage(bytes);
        fs::path damaged = dir / "damaged.exe";
        writeAll(damaged, bytes);
        fs::path target = dir / "target" / "inner";
        fs::create_directories(target);
        std::set<fs::path> before = everything(dir.path());
        std::string arguments = std::string(c.command) + " " + q(damaged);
        if (std::string(c.command) == "extract") arguments += " " + q(target);
        RunResult r = run(arguments);
        EXPECT_EQ(r.status, 1) << r.out;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(everything(dir.path()), before) << "something was written";
        fs::remove_all(dir / "target");
    }
}

TEST_F(Tolpkg, ExtractDoesNotFollowALinkOutOfTheTarget) {
    buildGood();
    fs::create_directories(dir / "target");
    fs::create_directories(dir / "elsewhere");
    fs::create_directory_symlink(dir / "elsewhere", dir / "target" / "data");
    RunResult r = run("extract " + q(package) + " " + q(dir / "target"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("symbolic link"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
    EXPECT_FALSE(fs::exists(dir / "target" / "Tolmar.exe")) << "checked before anything is written";
}

TEST_F(Tolpkg, BadManifestsAreRefusedWithoutWritingAPackage) {
    writeAll(dir / "odd.png", encodePng(Image{6, 4, 3, std::vector<std::uint8_t>(6 * 4 * 3, 90)}));
    writeAll(dir / "nohead.bin", std::vector<std::uint8_t>(64, 0));
    struct Case {
        const char* what;
        std::function<void(ManifestText&, const TempDir&)> change;
        const char* message;
    };
    const Case cases[] = {
        {"title of 50 bytes", [](ManifestText& m, auto&) { m.game = "name = \"A\"\ntitle = \"" + std::string(50, 't') + "\"\nversion = 1\n"; }, "49 bytes"},
        {"title with a colon", [](ManifestText& m, auto&) { m.game = "name = \"A\"\ntitle = \"a:b\"\nversion = 1\n"; }, "game.title"},
        {"name of 16 bytes", [](ManifestText& m, auto&) { m.game = "name = \"ABCDEFGHIJKLMNOP\"\ntitle = \"t\"\nversion = 1\n"; }, "game.name"},
        {"title without cp932", [](ManifestText& m, auto&) { m.game = "name = \"A\"\ntitle = \"\xF0\x9F\x98\x80\"\nversion = 1\n"; }, "code page 932"},
        {"file name without cp932", [](ManifestText&, const TempDir& d) { writeText(d / "files" / "\xF0\x9F\x98\x80.txt", "x"); }, "code page 932"},
        {"menu width not a multiple of 4", [](ManifestText& m, auto&) { m.menu.replace(m.menu.find("picture = "), m.menu.find('\n') + 1, "picture = \"odd.png\"\n"); }, "multiple of 4"},
        {"four frames", [](ManifestText& m, auto&) { m.menu.replace(m.menu.find("frame_width = 112"), 17, "frame_width = 224"); }, "frames"},
        {"button off the picture", [](ManifestText& m, auto&) { m.menu.replace(m.menu.find("[56, 236]"), 9, "[300, 236]"); }, "install_button"},
        {"link to a missing document", [](ManifestText& m, auto&) { m.links += "[[links]]\nname = \"x\"\ntarget = \"nothing.html\"\n"; }, "nothing.html"},
        {"setup image without a Setup Block", [](ManifestText& m, auto&) { m.setup = "image = \"nohead.bin\"\n"; }, "Setup Block"},
        {"setup image past the offset", [](ManifestText& m, auto&) { m.setup += "header_offset = 0x800\n"; }, "larger than the header offset"},
        {"unknown key", [](ManifestText& m, auto&) { m.files += "fodler = \"x\"\n"; }, "game.toml:"},
        {"missing picture", [](ManifestText& m, auto&) { m.menu.replace(m.menu.find("picture = "), m.menu.find('\n') + 1, "picture = \"gone.png\"\n"); }, "gone.png"},
        {"missing files folder", [](ManifestText& m, auto&) { m.files = "folder = \"nowhere\"\n"; }, "nowhere"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ManifestText m;
        c.change(m, dir);
        RunResult r = build(m);
        EXPECT_EQ(r.status, 1) << r.out;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(package));
        EXPECT_FALSE(fs::exists(dir / "game.exe.part"));
        fs::remove(dir / "files" / "\xF0\x9F\x98\x80.txt");
    }
}

TEST_F(Tolpkg, BadUsageExitsWithTwo) {
    for (const char* arguments : {"", "frobnicate", "build only.toml", "picture encode a b --tag ZZ",
                                  "verify x --header-offset nope", "extract only.exe"})
        EXPECT_EQ(run(arguments).status, 2) << arguments;
}

TEST_F(Tolpkg, PictureEncodeAndDecodeKeepThePixels) {
    fs::path packed = dir / "menu.cf", png = dir / "back.png";
    RunResult encode = run("picture encode " + q(kSample + "menu.png") + " " + q(packed) + " --tag CF");
    ASSERT_EQ(encode.status, 0) << encode.err;
    RunResult decode = run("picture decode " + q(packed) + " " + q(png));
    ASSERT_EQ(decode.status, 0) << decode.err;
    Image original, back;
    ASSERT_EQ(loadImageFile(kSample + "menu.png", 3, original), "");
    ASSERT_EQ(loadImageFile(png.string(), 3, back), "");
    EXPECT_EQ(back.width, 400);
    EXPECT_EQ(back.pixels, original.pixels);
    EXPECT_EQ(run("picture decode " + q(kSample + "manifest.toml") + " " + q(png)).status, 1);
}

}  // namespace
