// Special folders and shortcut files through the Windows shell.
#include "install/ShellServiceWin32.h"

#include "app/ScopedWin.h"
#include "install/ComPtr.h"
#include "install/WideText.h"

#include <intshcut.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <vector>

namespace {

// A folder path the rest of the program can hold as cp932; a path with characters outside
// cp932 is taken in its short form where the file system keeps one.
std::optional<std::string> cp932Path(const wchar_t* path) {
    if (auto text = toCp932(path)) return text;
    wchar_t shortPath[MAX_PATH] = {};
    DWORD n = GetShortPathNameW(path, shortPath, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::nullopt;
    return toCp932(shortPath);
}

std::optional<std::string> specialFolder(HWND owner, int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(owner, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return std::nullopt;
    return cp932Path(path);
}

// One step of a shortcut operation: on failure it leaves the debug line and the code.
HRESULT checkStep(HRESULT hr, const wchar_t* debugLine, DWORD lastError) {
    if (FAILED(hr)) {
        if (debugLine) OutputDebugStringW(debugLine);
        SetLastError(lastError);
    }
    return hr;
}


constexpr const wchar_t* kWriteFailed = L"書き込みに失敗した";

}  // namespace

std::optional<std::string> getDesktopFolder() {
    auto folder = specialFolder(nullptr, CSIDL_DESKTOPDIRECTORY);
    if (!folder) SetLastError(1);
    while (folder && !folder->empty() && folder->back() == '\\') folder->pop_back();
    return folder;
}

std::string getProgramsFolder(HWND owner) {
    auto folder = specialFolder(owner, isAdministrator() ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS);
    if (!folder || folder->empty()) return std::string();
    if (folder->back() != '\\') folder->push_back('\\');
    return *folder;
}

bool isNtPlatform() {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    return GetVersionExW(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// Membership counts only where the group is in force: a group kept for deny purposes
// (an administrator's filtered token) cannot write the all-users Start menu.
bool isAdministrator() {
    if (!isNtPlatform()) return false;
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS,
                                  0, 0, 0, 0, 0, 0, &administrators))
        return false;
    bool member = false;
    HANDLE tokenHandle = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &tokenHandle)) {
        ScopedHandle token(tokenHandle);
        DWORD size = 0;
        GetTokenInformation(token.get(), TokenGroups, nullptr, 0, &size);
        if (GetLastError() == ERROR_INSUFFICIENT_BUFFER && size >= sizeof(TOKEN_GROUPS)) {
            std::vector<unsigned char> buffer(size);
            if (GetTokenInformation(token.get(), TokenGroups, buffer.data(), size, &size)) {
                const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
                for (DWORD i = 0; i < groups->GroupCount && !member; ++i) {
                    const SID_AND_ATTRIBUTES& group = groups->Groups[i];
                    member = EqualSid(group.Sid, administrators) &&
                             (group.Attributes & SE_GROUP_USE_FOR_DENY_ONLY) == 0;
                }
            }
        }
    }
    FreeSid(administrators);
    return member;
}

HRESULT createShellLink(const std::string& target, const std::string& linkFile,
                        const std::string& description, const std::string& arguments,
                        const std::string& workingFolder) {
    ScopedCom com;
    ComPtr<IShellLinkW> link;
    HRESULT hr = checkStep(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                            link.put()), nullptr, 1);
    if (FAILED(hr)) return hr;
    ComPtr<IPersistFile> file;
    hr = checkStep(link->QueryInterface(IID_IPersistFile, file.put()), nullptr, 2);
    if (SUCCEEDED(hr)) hr = checkStep(link->SetPath(toWide(target).c_str()), L"パスの設定に失敗した", 3);
    if (SUCCEEDED(hr))
        hr = checkStep(link->SetDescription(toWide(description).c_str()), L"記述の設定に失敗した", 4);
    if (SUCCEEDED(hr))
        hr = checkStep(link->SetArguments(toWide(arguments).c_str()), L"アーギュメントの設定に失敗した", 5);
    if (SUCCEEDED(hr))
        hr = checkStep(link->SetWorkingDirectory(toWide(workingFolder).c_str()),
                       L"ワークディレクトリの設定に失敗した", 6);
    if (SUCCEEDED(hr)) hr = checkStep(file->Save(toWide(linkFile).c_str(), TRUE), kWriteFailed, 7);
    return hr;
}

HRESULT createUrlShortcut(const std::string& file, const std::string& url) {
    ScopedCom com;
    ComPtr<IUniformResourceLocatorW> locator;
    HRESULT hr = checkStep(CoCreateInstance(CLSID_InternetShortcut, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_IUniformResourceLocatorW, locator.put()), nullptr, 1);
    if (FAILED(hr)) return hr;
    ComPtr<IPersistFile> persist;
    hr = checkStep(locator->SetURL(toWide(url).c_str(), 0), nullptr, 8);
    if (SUCCEEDED(hr)) hr = checkStep(locator->QueryInterface(IID_IPersistFile, persist.put()), nullptr, 2);
    if (SUCCEEDED(hr)) hr = checkStep(persist->Save(toWide(file).c_str(), TRUE), kWriteFailed, 7);
    return hr;
}

std::optional<ShellLinkContents> readShellLink(const std::wstring& linkFile) {
    ScopedCom com;
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.put())) ||
        FAILED(file->Load(linkFile.c_str(), STGM_READ)))
        return std::nullopt;
    wchar_t text[INFOTIPSIZE] = {};
    ShellLinkContents contents;
    if (FAILED(link->GetPath(text, INFOTIPSIZE, nullptr, SLGP_RAWPATH))) return std::nullopt;
    contents.target = text;
    text[0] = 0;
    if (FAILED(link->GetArguments(text, INFOTIPSIZE))) return std::nullopt;
    contents.arguments = text;
    text[0] = 0;
    if (FAILED(link->GetWorkingDirectory(text, INFOTIPSIZE))) return std::nullopt;
    contents.workingFolder = text;
    text[0] = 0;
    if (FAILED(link->GetDescription(text, INFOTIPSIZE))) return std::nullopt;
    contents.description = text;
    return contents;
}

std::optional<std::wstring> readUrlShortcut(const std::wstring& file) {
    ScopedCom com;
    ComPtr<IUniformResourceLocatorW> locator;
    ComPtr<IPersistFile> persist;
    if (FAILED(CoCreateInstance(CLSID_InternetShortcut, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IUniformResourceLocatorW, locator.put())) ||
        FAILED(locator->QueryInterface(IID_IPersistFile, persist.put())) ||
        FAILED(persist->Load(file.c_str(), STGM_READ)))
        return std::nullopt;
    wchar_t* url = nullptr;
    if (FAILED(locator->GetURL(&url)) || !url) return std::nullopt;
    std::wstring result(url);
    CoTaskMemFree(url);
    return result;
}
