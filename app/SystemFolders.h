#pragma once
// Folders of the system the program needs, as cp932 strings.
#include <optional>
#include <string>

// The Windows directory without a trailing backslash; nullopt when it has no cp932 form.
std::optional<std::string> windowsDirectory();
// Full path of the installed-games registry "TolmarInstall.INI" in the Windows directory.
std::optional<std::string> registryIniPath();
