#include "package/Registry.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

namespace {

class RegistryTest : public ::testing::Test {
protected:
    TempFolder tmp;
    std::string ini = tmp.file(registry::kFileName);
    std::string text() const { return TempFolder::readText(ini); }
};

TEST_F(RegistryTest, FirstInstallationWritesTheExampleLines) {
    ASSERT_TRUE(registry::recordInstallation(ini, "Orbit", "C:\\Games\\Orbit\\", 100));
    EXPECT_EQ(text(), "[Games]\r\nInstCount=1\r\n[Orbit]\r\nInstDIR=C:\\Games\\Orbit\\\r\nVerson=100\r\n");
    EXPECT_EQ(registry::lookUp(ini, "Orbit"), "C:\\Games\\");
    EXPECT_EQ(registry::lookUp(ini, "orbit"), "C:\\Games\\");
    EXPECT_EQ(registry::installFolderOf(ini, "Orbit"), "C:\\Games\\Orbit\\");
}

TEST_F(RegistryTest, InstallingTwiceCountsTwiceAndOverwritesTheFolder) {
    ASSERT_TRUE(registry::recordInstallation(ini, "Orbit", "C:\\Games\\Orbit\\", 100));
    ASSERT_TRUE(registry::recordInstallation(ini, "Orbit", "D:\\Orbit\\", -3));
    EXPECT_EQ(text(), "[Games]\r\nInstCount=2\r\n[Orbit]\r\nInstDIR=D:\\Orbit\\\r\nVerson=-3\r\n");
    EXPECT_EQ(registry::lookUp(ini, "Orbit"), "D:\\");
}

TEST_F(RegistryTest, RemovalEmptiesTheKeysAndNeverCountsBelowZero) {
    ASSERT_TRUE(registry::recordInstallation(ini, "Orbit", "C:\\Games\\Orbit\\", 100));
    registry::removeInstallation(ini, "Orbit");
    EXPECT_EQ(text(), "[Games]\r\nInstCount=0\r\n[Orbit]\r\nInstDIR=\r\nVerson=\r\n");
    EXPECT_EQ(registry::lookUp(ini, "Orbit"), std::nullopt);
    registry::removeInstallation(ini, "Orbit");
    EXPECT_EQ(text(), "[Games]\r\nInstCount=0\r\n[Orbit]\r\nInstDIR=\r\nVerson=\r\n");

    for (const char* count : {"", "-1", "junk", "0"}) {
        TempFolder::writeText(ini, std::string("[Games]\r\nInstCount=") + count + "\r\n");
        registry::removeInstallation(ini, "X");
        EXPECT_EQ(text(), "[Games]\r\nInstCount=0\r\n[X]\r\nInstDIR=\r\nVerson=\r\n") << count;
    }
}

TEST_F(RegistryTest, CountsReadAsTheirLeadingDigitsAndDoNotWrap) {
    struct Case { const char* stored; const char* afterRecord; };
    const Case cases[] = {{"7", "8"}, {" 12abc", "13"}, {"-1", "1"}, {"4294967295", "4294967295"},
                          {"99999999999", "4294967295"}};
    for (const auto& c : cases) {
        TempFolder::writeText(ini, std::string("[Games]\nInstCount=") + c.stored + "\n");
        ASSERT_TRUE(registry::recordInstallation(ini, "G", "C:\\G\\", 1));
        EXPECT_EQ(text(), std::string("[Games]\nInstCount=") + c.afterRecord + "\n[G]\nInstDIR=C:\\G\\\nVerson=1\n")
            << c.stored;
    }
}

TEST_F(RegistryTest, RewriteKeepsOtherSectionsKeysAndComments) {
    const std::string before =
        "; installed games\r\n[Games]\r\nInstCount=3\r\nOwner=me\r\n\r\n[Other]\r\nInstDIR=E:\\Other\\\r\n"
        "Verson=5\r\n\r\n[Orbit]\r\nNote=keep\r\n";
    TempFolder::writeText(ini, before);
    ASSERT_TRUE(registry::recordInstallation(ini, "Orbit", "C:\\Orbit\\", 2));
    EXPECT_EQ(text(),
              "; installed games\r\n[Games]\r\nInstCount=4\r\nOwner=me\r\n\r\n[Other]\r\nInstDIR=E:\\Other\\\r\n"
              "Verson=5\r\n\r\n[Orbit]\r\nNote=keep\r\nInstDIR=C:\\Orbit\\\r\nVerson=2\r\n");
    EXPECT_EQ(registry::lookUp(ini, "Other"), "E:\\");
    EXPECT_FALSE(std::filesystem::exists(ini + ".tmp"));
}

TEST_F(RegistryTest, LookUpRefusesFoldersItCannotShorten) {
    struct Case { const char* instDir; std::optional<std::string> base; };
    const Case cases[] = {
        {"", std::nullopt},
        {"Orbit", std::nullopt},              // shorter than gameName + 1
        {"Orbit\\", std::nullopt},            // no base folder left
        {"C:\\Games\\Other\\", std::nullopt}, // does not end in the game folder
        {"C:\\Games\\Orbit", std::nullopt},
        {"C:\\Games\\ORBIT\\", "C:\\Games\\"},
        {"C:\\Orbit\\", "C:\\"},
        {"C:\\\x95\x5C\\Orbit\\", "C:\\\x95\x5C\\"},  // base C:\表\ then Orbit
        {"C:\\\x95\x5COrbit\\", std::nullopt},  // C:\表Orbit\: the 0x5C belongs to 表
    };
    for (const auto& c : cases) {
        TempFolder::writeText(ini, std::string("[Orbit]\r\nInstDIR=") + c.instDir + "\r\n");
        EXPECT_EQ(registry::lookUp(ini, "Orbit"), c.base) << c.instDir;
    }
}

TEST_F(RegistryTest, MissingOrUnreadableFileMeansNotInstalled) {
    EXPECT_EQ(registry::lookUp(ini, "Orbit"), std::nullopt);
    EXPECT_EQ(registry::installFolderOf(ini, "Orbit"), "");
    registry::removeInstallation(tmp.file("no/such/dir.ini"), "Orbit");
    EXPECT_FALSE(registry::recordInstallation(tmp.file("no/such/dir.ini"), "Orbit", "C:\\Orbit\\", 1));
    // A folder in the INI's place: the record fails and nothing is lost.
    std::filesystem::create_directory(ini);
    EXPECT_FALSE(registry::recordInstallation(ini, "Orbit", "C:\\Orbit\\", 1));
    EXPECT_EQ(registry::lookUp(ini, "Orbit"), std::nullopt);
}

TEST_F(RegistryTest, FolderWithALineBreakIsNotWritten) {
    TempFolder::writeText(ini, "[Games]\r\nInstCount=1\r\n");
    EXPECT_FALSE(registry::recordInstallation(ini, "Orbit", "C:\\x\r\n[Games]\r\nInstCount=0\\Orbit\\", 1));
    EXPECT_EQ(text(), "[Games]\r\nInstCount=1\r\n");
}

}  // namespace
