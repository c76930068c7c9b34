// The last step of an uninstall, run from a temporary copy of the program.
#include "install/LeftoverRemoval.h"

#include "app/ScopedWin.h"
#include "package/FileSystem.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <vector>

namespace {

constexpr const wchar_t* kLeftoverSwitch = L"/tolmar-remove-leftovers";
constexpr const wchar_t* kTemporaryCopyPrefix = L"TolmarUninstall";
constexpr DWORD kWaitForOriginalMs = 60000;
constexpr int kDeleteTries = 50;
constexpr DWORD kDeletePauseMs = 100;

std::wstring withoutTrailingBackslash(std::wstring path) {
    while (!path.empty() && path.back() == L'\\') path.pop_back();
    return path;
}

std::wstring quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

std::wstring temporaryFolder() {
    wchar_t buffer[MAX_PATH + 1] = {};
    DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
    if (n == 0 || n > MAX_PATH) return std::wstring();
    return buffer;
}

// Byte for byte: the Setup Copy is deleted only when it is this very program.
bool sameContents(const std::wstring& a, const std::wstring& b) {
    fsys::File fa(_wfopen(a.c_str(), L"rb")), fb(_wfopen(b.c_str(), L"rb"));
    if (!fa || !fb) return false;
    std::vector<char> ba(65536), bb(65536);
    for (;;) {
        std::size_t na = fa.read(ba.data(), ba.size());
        std::size_t nb = fb.read(bb.data(), bb.size());
        if (na != nb || std::memcmp(ba.data(), bb.data(), na) != 0) return false;
        if (na < ba.size()) return std::ferror(fa.get()) == 0 && std::ferror(fb.get()) == 0;
    }
}

void waitForProcess(DWORD processId) {
    ScopedHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    if (process) WaitForSingleObject(process.get(), kWaitForOriginalMs);
}

bool deleteWithRetries(const std::wstring& path) {
    for (int i = 0; i < kDeleteTries; ++i) {
        if (DeleteFileW(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND) return true;
        Sleep(kDeletePauseMs);
    }
    return false;
}

bool startProcess(const std::wstring& program, std::wstring commandLine, const std::wstring& folder,
                  DWORD flags) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process))
        return false;
    ScopedHandle thread(process.hThread), started(process.hProcess);
    return true;
}

// A running program cannot delete itself: a hidden command shell deletes it once this
// process has ended (two tries, a few seconds apart; plain sequence, which every command
// shell parses alike); the delete-at-restart entry backs it up where that is allowed.
void scheduleOwnDeletion(const std::wstring& self, const std::wstring& tempFolder) {
    MoveFileExW(self.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    wchar_t system[MAX_PATH] = {};
    UINT n = GetSystemDirectoryW(system, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    std::wstring shell = std::wstring(system) + L"\\cmd.exe";
    std::wstring pause = L"ping -n 3 127.0.0.1";
    std::wstring erase = L"del /f /q " + quoted(self);
    std::wstring command = quoted(shell) + L" /d /c " + pause + L" & " + erase + L" & " + pause + L" & " + erase;
    startProcess(shell, command, tempFolder, CREATE_NO_WINDOW);
}

std::wstring temporaryCopyName(DWORD processId) {
    wchar_t name[64];
    std::swprintf(name, 64, L"%ls%lu.exe", kTemporaryCopyPrefix, static_cast<unsigned long>(processId));
    return name;
}

// The long form, so that a short-name temporary folder and its long name compare equal.
std::wstring longPath(const std::wstring& path) {
    std::vector<wchar_t> buffer(32768);
    DWORD n = GetLongPathNameW(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    return n == 0 || n >= buffer.size() ? path : std::wstring(buffer.data(), n);
}

// Only the temporary copy deletes itself: the same switch given to a Setup Copy elsewhere
// leaves that program in place.
bool isTemporaryCopy(const std::wstring& selfPath, const std::wstring& tempPath) {
    std::wstring self = longPath(selfPath), tempFolder = longPath(tempPath);
    std::size_t prefix = std::wcslen(kTemporaryCopyPrefix);
    if (tempFolder.empty() || self.size() <= tempFolder.size() + prefix) return false;
    return _wcsnicmp(self.c_str(), tempFolder.c_str(), tempFolder.size()) == 0 &&
           self.find(L'\\', tempFolder.size()) == std::wstring::npos &&
           _wcsnicmp(self.c_str() + tempFolder.size(), kTemporaryCopyPrefix, prefix) == 0;
}

void removeLeftovers(const std::wstring& installFolder, DWORD originalProcess) {
    waitForProcess(originalProcess);
    std::wstring self = runningProgramPath();
    std::wstring setupCopy = installFolder + L"Setup.exe";
    if (!self.empty() && sameContents(self, setupCopy)) deleteWithRetries(setupCopy);
    RemoveDirectoryW(withoutTrailingBackslash(installFolder).c_str());
    std::wstring tempFolder = temporaryFolder();
    if (isTemporaryCopy(self, tempFolder)) scheduleOwnDeletion(self, tempFolder);
}

class ScopedArgv {
public:
    ScopedArgv() : argv_(CommandLineToArgvW(GetCommandLineW(), &argc_)) {}
    ~ScopedArgv() { if (argv_) LocalFree(argv_); }
    ScopedArgv(const ScopedArgv&) = delete;
    ScopedArgv& operator=(const ScopedArgv&) = delete;
    int count() const { return argv_ ? argc_ : 0; }
    const wchar_t* operator[](int i) const { return argv_[i]; }

private:
    int argc_ = 0;
    wchar_t** argv_;
};

}  // namespace

std::wstring runningProgramPath() {
    std::vector<wchar_t> buffer(32768);
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0 || n >= buffer.size()) return std::wstring();
    return std::wstring(buffer.data(), n);
}

bool startLeftoverRemoval(const std::wstring& ownProgram, const std::wstring& installFolder) {
    std::wstring tempFolder = temporaryFolder();
    if (tempFolder.empty() || ownProgram.empty()) return false;
    std::wstring copy = tempFolder + temporaryCopyName(GetCurrentProcessId());
    if (!CopyFileW(ownProgram.c_str(), copy.c_str(), FALSE)) return false;
    wchar_t processId[16];
    std::swprintf(processId, 16, L"%lu", static_cast<unsigned long>(GetCurrentProcessId()));
    // The folder goes without its backslash: a backslash before the closing quote would
    // escape the quote.
    std::wstring command = quoted(copy) + L" " + kLeftoverSwitch + L" " +
                           quoted(withoutTrailingBackslash(installFolder)) + L" " + processId;
    if (startProcess(copy, command, tempFolder, 0)) return true;
    DeleteFileW(copy.c_str());
    return false;
}

bool runLeftoverRemovalIfAsked() {
    ScopedArgv argv;
    if (argv.count() != 4 || std::wcscmp(argv[1], kLeftoverSwitch) != 0) return false;
    std::wstring folder = withoutTrailingBackslash(argv[2]);
    wchar_t* end = nullptr;
    unsigned long processId = std::wcstoul(argv[3], &end, 10);
    // Only a full path of a folder: a drive root or a relative name is never touched.
    bool absolute = folder.size() > 3 && folder[1] == L':' && folder[2] == L'\\';
    if (absolute && end && *end == 0 && processId != 0) removeLeftovers(folder + L"\\", processId);
    return true;
}
