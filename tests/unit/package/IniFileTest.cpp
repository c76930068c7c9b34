#include "package/IniFile.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

namespace {

TEST(IniFile, ReadsLikeThePrivateProfileFunctions) {
    IniFile ini = IniFile::parse(
        "; comment=1\r\n"
        "top=outside\r\n"
        "[Games]\r\n"
        "InstCount = 2 \r\n"
        "  [ orbit ]  \r\n"
        "instdir\t=\tC:\\Games\\Orbit\\\r\n"
        "instdir=second\r\n"
        "quoted= \"C:\\A B\\\" \r\n"
        "single='x'\r\n"
        "half=\"x\r\n"
        "[Orbit]\r\n"
        "Verson=7\r\n");
    EXPECT_EQ(ini.get("games", "INSTCOUNT"), "2");
    EXPECT_EQ(ini.get("Orbit", "InstDIR"), "C:\\Games\\Orbit\\");  // first key wins
    EXPECT_EQ(ini.get("Orbit", "Verson"), std::nullopt);            // only the first section counts
    EXPECT_EQ(ini.get("Games", "top"), std::nullopt);
    EXPECT_EQ(ini.get("Games", "; comment"), std::nullopt);
    EXPECT_EQ(ini.get("Nothing", "x"), std::nullopt);
    EXPECT_EQ(ini.get("Orbit", "quoted"), "C:\\A B\\");
    EXPECT_EQ(ini.get("Orbit", "single"), "x");
    EXPECT_EQ(ini.get("Orbit", "half"), "\"x");
}

TEST(IniFile, CaseIsFoldedOnlyInSingleByteCharacters) {
    // 0x83 0x41 (ア) and 0x83 0x61 (ヂ) differ only in what looks like ASCII case.
    IniFile ini = IniFile::parse("[\x83\x41]\nk=1\n[x\x81\x5D]\nk=2\n");
    EXPECT_EQ(ini.get("\x83\x41", "K"), "1");
    EXPECT_EQ(ini.get("\x83\x61", "k"), std::nullopt);
    EXPECT_EQ(ini.get("X\x81\x5D", "k"), "2");  // the second byte 0x5D is not the closing bracket
}

TEST(IniFile, SetChangesOneLineAndKeepsEveryOther) {
    const std::string text =
        "; kept\r\n[Games]\r\nInstCount=1\r\n\r\n[Other]\r\nkey = value ; kept\r\n\r\n[orbit]\r\nINSTDIR=old\r\n";
    IniFile ini = IniFile::parse(text);
    EXPECT_EQ(ini.serialize(), text);
    ASSERT_TRUE(ini.set("Orbit", "InstDIR", "C:\\New\\Orbit\\"));
    ASSERT_TRUE(ini.set("Games", "Extra", "x"));
    ASSERT_TRUE(ini.set("Fresh", "k", ""));
    EXPECT_EQ(ini.serialize(),
              "; kept\r\n[Games]\r\nInstCount=1\r\nExtra=x\r\n\r\n[Other]\r\nkey = value ; kept\r\n\r\n"
              "[orbit]\r\nINSTDIR=C:\\New\\Orbit\\\r\n[Fresh]\r\nk=\r\n");
}

TEST(IniFile, KeepsLineBreaksOfTheFile) {
    IniFile lf = IniFile::parse("[A]\nk=1\n");
    lf.set("A", "k", "2");
    EXPECT_EQ(lf.serialize(), "[A]\nk=2\n");
    IniFile noFinalBreak = IniFile::parse("[A]\r\nk=1");
    EXPECT_EQ(noFinalBreak.serialize(), "[A]\r\nk=1");
    noFinalBreak.set("B", "k", "2");
    EXPECT_EQ(noFinalBreak.serialize(), "[A]\r\nk=1\r\n[B]\r\nk=2\r\n");
}

TEST(IniFile, StrayCarriageReturnsSurviveRewrites) {
    for (const char* text : {"[A]\nk=1\r\nj=2\n", "[A]\r\nk=1\r\r\n", "k=1\r", "\r\r"}) {
        const std::string once = IniFile::parse(text).serialize();
        EXPECT_EQ(once, text);
        EXPECT_EQ(IniFile::parse(once).serialize(), once);
    }
    EXPECT_EQ(IniFile::parse("[A]\nk=1\r\n").get("A", "k"), "1");
}

TEST(IniFile, RefusesASectionNameThatCouldNotBeFoundAgain) {
    IniFile ini;
    EXPECT_FALSE(ini.set("Orbit\x81", "k", "x"));  // the lead byte would swallow the ']'
    EXPECT_TRUE(ini.lines.empty());
}

TEST(IniFile, RefusesTextThatWouldChangeOtherLines) {
    IniFile ini;
    EXPECT_FALSE(ini.set("A", "k", "x\r\n[Games]\r\nInstCount=0"));
    EXPECT_FALSE(ini.set("A\n", "k", "x"));
    EXPECT_FALSE(ini.set("A", "k=v", "x"));
    EXPECT_FALSE(ini.set("", "k", "x"));
    EXPECT_FALSE(ini.set("A", std::string("k\0", 2), "x"));
    EXPECT_TRUE(ini.lines.empty());
}

TEST(IniFile, HostileBytesNeverCrash) {
    std::string junk;
    for (int i = 0; i < 5000; ++i) junk += static_cast<char>((i * 7919) % 256);
    junk += std::string(1 << 20, '[');
    junk += "\n=\n[\n]\n[]\n=x\n\x81";
    IniFile ini = IniFile::parse(junk);
    EXPECT_EQ(ini.serialize(), junk);
    EXPECT_TRUE(ini.set("Games", "InstCount", "1"));
    EXPECT_EQ(ini.get("Games", "InstCount"), "1");
    EXPECT_EQ(IniFile::parse("").serialize(), "");
    EXPECT_EQ(IniFile::parse("\n\n").serialize(), "\n\n");
}

TEST(IniFile, LoadsMissingFileAsEmptyAndSavesThroughATemporaryFile) {
    TempFolder tmp;
    const std::string path = tmp.file("a.ini");
    auto missing = loadIniFile(path);
    ASSERT_TRUE(missing);
    EXPECT_TRUE(missing->lines.empty());
    missing->set("S", "k", "v");
    ASSERT_TRUE(saveIniFile(path, *missing));
    EXPECT_EQ(TempFolder::readText(path), "[S]\r\nk=v\r\n");
    EXPECT_FALSE(std::filesystem::exists(tmp.native() / "a.ini.tmp"));

    // A folder standing where the INI should be cannot be read or replaced.
    std::filesystem::create_directory(tmp.native() / "dir.ini");
    EXPECT_EQ(loadIniFile(tmp.file("dir.ini")), std::nullopt);
    EXPECT_FALSE(saveIniFile(tmp.file("dir.ini"), *missing));
    EXPECT_FALSE(std::filesystem::exists(tmp.native() / "dir.ini.tmp"));
    EXPECT_FALSE(saveIniFile(tmp.file("no/such/folder.ini"), *missing));
}

}  // namespace
