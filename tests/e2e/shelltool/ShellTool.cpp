// shelltool: the install engine's shell service, driven from the command line for the Wine
// tests, and shortcut files read back through the shell. Output is UTF-8, one key=value a line.
//   shelltool read FILE.lnk|FILE.url
//   shelltool link TARGET LINKFILE DESCRIPTION ARGUMENTS WORKINGFOLDER
//   shelltool url FILE URL
//   shelltool folders
//   shelltool watch-debug link|url ...   the same, and each debug-output line as debug=TEXT
#include "install/ShellServiceWin32.h"
#include "install/WideText.h"
#include "package/Utf.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

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

// The debug-output monitor protocol: OutputDebugString writes into the shared buffer
// "DBWIN_BUFFER" once "DBWIN_BUFFER_READY" is set and then sets "DBWIN_DATA_READY".
class DebugMonitor {
public:
    DebugMonitor()
        : mutex_(CreateMutexW(nullptr, FALSE, L"DBWinMutex")),
          bufferReady_(CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY")),
          dataReady_(CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY")),
          mapping_(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSize, L"DBWIN_BUFFER")),
          view_(mapping_ ? static_cast<char*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, kSize)) : nullptr) {
        if (view_ && bufferReady_ && dataReady_) thread_ = CreateThread(nullptr, 0, &DebugMonitor::run, this, 0, nullptr);
    }
    ~DebugMonitor() {
        stop();
        if (view_) UnmapViewOfFile(view_);
        for (HANDLE h : {thread_, mapping_, dataReady_, bufferReady_, mutex_})
            if (h) CloseHandle(h);
    }
    DebugMonitor(const DebugMonitor&) = delete;
    DebugMonitor& operator=(const DebugMonitor&) = delete;

    std::vector<std::string> stop() {
        done_ = true;
        if (thread_) WaitForSingleObject(thread_, INFINITE);
        return lines_;
    }

private:
    static constexpr DWORD kSize = 4096;
    static DWORD WINAPI run(void* self) {
        static_cast<DebugMonitor*>(self)->collect();
        return 0;
    }
    void collect() {
        while (!done_) {
            SetEvent(bufferReady_);
            if (WaitForSingleObject(dataReady_, 100) != WAIT_OBJECT_0) continue;
            const char* text = view_ + sizeof(DWORD);
            lines_.emplace_back(text, strnlen(text, kSize - sizeof(DWORD)));
        }
    }
    HANDLE mutex_, bufferReady_, dataReady_, mapping_;
    char* view_;
    std::atomic<bool> done_{false};
    HANDLE thread_ = nullptr;
    std::vector<std::string> lines_;
};

int runCommand(int argc, wchar_t** argv);

int watchDebugOutput(int argc, wchar_t** argv) {
    DebugMonitor monitor;
    int rc = runCommand(argc, argv);
    // Debug output is in the system's ANSI code page.
    for (const std::string& line : monitor.stop()) {
        int n = MultiByteToWideChar(CP_ACP, 0, line.data(), static_cast<int>(line.size()), nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
        if (n > 0) MultiByteToWideChar(CP_ACP, 0, line.data(), static_cast<int>(line.size()), wide.data(), n);
        printLine("debug", wide);
    }
    return rc;
}

int runCommand(int argc, wchar_t** argv) {
    std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"watch-debug" && argc > 2) return watchDebugOutput(argc - 1, argv + 1);
    if (command == L"read" && argc == 3) return readShortcut(argv[2]);
    if (command == L"link" && argc == 7)
        return reportStatus(createShellLink(cp932Argument(argv[2]), cp932Argument(argv[3]),
                                            cp932Argument(argv[4]), cp932Argument(argv[5]),
                                            cp932Argument(argv[6])));
    if (command == L"url" && argc == 4)
        return reportStatus(createUrlShortcut(cp932Argument(argv[2]), cp932Argument(argv[3])));
    if (command == L"folders" && argc == 2) return showFolders();
    std::fprintf(stderr, "usage: shelltool [watch-debug] read FILE | link TARGET LINK DESC ARGS WORKDIR | "
                         "url FILE URL | folders\n");
    return 64;
}

}  // namespace

int wmain(int argc, wchar_t** argv) { return runCommand(argc, argv); }
