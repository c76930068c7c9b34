#pragma once
// The installed-games registry "TolmarInstall.INI": [Games] InstCount, and per game a
// section named gameName with "InstDIR" and "Verson". cp932 bytes, private-profile
// semantics, rewritten atomically.
#include <cstdint>
#include <optional>
#include <string>

namespace registry {

constexpr const char* kFileName = "TolmarInstall.INI";

// installBaseFolder (InstDIR less gameName and its backslash) when the game is installed.
// An InstDIR shorter than gameName + 1 counts as not installed.
std::optional<std::string> lookUp(const std::string& iniPath, const std::string& gameName);
// The raw "InstDIR" value, "" when absent.
std::string installFolderOf(const std::string& iniPath, const std::string& gameName);
// InstCount + 1, InstDIR = installFolder, Verson = gameVersion. False when a write failed.
bool recordInstallation(const std::string& iniPath, const std::string& gameName,
                        const std::string& installFolder, std::int32_t gameVersion);
// InstCount - 1 (not below 0); InstDIR and Verson set empty. Failures are ignored.
void removeInstallation(const std::string& iniPath, const std::string& gameName);

}  // namespace registry
