// shelltool: the install engine's shell service, driven from the command line for the Wine
// tests, and shortcut files read back through the shell. Output is UTF-8, one key=value a line.
//   shelltool read FILE.lnk|FILE.url
//   shelltool link TARGET LINKFILE DESCRIPTION ARGUMENTS WORKINGFOLDER
//   shelltool url FILE URL
//   shelltool folders
#include "install/ShellServiceWin32.h"
#include "install/WideText.h"
#include "package/Utf.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

void printLine(const char* key, const std::wstring& value) {
    std::u16string wide(value.begin(), value.end());
    std::string utf8 = utf::toUtf8(wide).value_or("?");
    std::printf("%s=%s\n", key, utf8.c_str());
}

void printLine(const char* key, const std::string& cp932Value) { printLine(key, toWide(cp932Value)); }

bool endsWith(const std::wstring& text, const wchar_t* suffix) {
    std::size_t n = std::wcslen(suffix);
    return text.size() >= n && _wcsicmp(text.c_str() + text.size() - n, suffix) == 0;
}

std::string cp932Argument(const wchar_t* argument) { return toCp932(argument).value_or(std::string()); }

int readShortcut(const std::wstring& file) {
    if (endsWith(file, L".url")) {
        auto url = readUrlShortcut(file);
        if (!url) return 2;
        printLine("url", *url);
        return 0;
    }
    auto link = readShellLink(file);
    if (!link) return 2;
    printLine("target", link->target);
    printLine("arguments", link->arguments);
    printLine("workdir", link->workingFolder);
    printLine("description", link->description);
    return 0;
}

int reportStatus(HRESULT hr) {
    DWORD lastError = GetLastError();
    std::printf("status=%s\nlasterror=%lu\n", SUCCEEDED(hr) ? "ok" : "failed",
                SUCCEEDED(hr) ? 0ul : static_cast<unsigned long>(lastError));
    return SUCCEEDED(hr) ? 0 : 1;
}

int showFolders() {
    auto desktop = getDesktopFolder();
    printLine("desktop", desktop.value_or("<none>"));
    printLine("programs", getProgramsFolder(nullptr));
    std::printf("administrator=%d\nnt=%d\n", isAdministrator() ? 1 : 0, isNtPlatform() ? 1 : 0);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"read" && argc == 3) return readShortcut(argv[2]);
    if (command == L"link" && argc == 7)
        return reportStatus(createShellLink(cp932Argument(argv[2]), cp932Argument(argv[3]),
                                            cp932Argument(argv[4]), cp932Argument(argv[5]),
                                            cp932Argument(argv[6])));
    if (command == L"url" && argc == 4)
        return reportStatus(createUrlShortcut(cp932Argument(argv[2]), cp932Argument(argv[3])));
    if (command == L"folders" && argc == 2) return showFolders();
    std::fprintf(stderr, "usage: shelltool read FILE | link TARGET LINK DESC ARGS WORKDIR | url FILE URL | folders\n");
    return 64;
}
