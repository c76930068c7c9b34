// The sample game started by the installer: it shows its title and start mode,
// and logs how it was started, so the end-to-end tests can check the launch.
//
// Reads "env.dat" (the Settings Record, 196 bytes; int32 fullScreen at offset 156)
// from the working folder, else from its own folder. Appends one line to
// "tolmar-log.txt" in its own folder (UTF-8, tab-separated key=value fields).
// With TOLMAR_GAME_AUTOCLOSE set (milliseconds) it ends by itself.
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <cwchar>
#include <string>

namespace {

constexpr UINT_PTR kAutoCloseTimer = 1;
constexpr DWORD kSettingsRecordSize = 196;
constexpr DWORD kFullScreenOffset = 156;

struct Handle {
    HANDLE h = INVALID_HANDLE_VALUE;
    explicit Handle(HANDLE value) : h(value) {}
    ~Handle() { if (h != INVALID_HANDLE_VALUE) CloseHandle(h); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool ok() const { return h != INVALID_HANDLE_VALUE; }
};

struct Settings {
    std::wstring path;      // where env.dat was found, empty when nowhere
    DWORD size = 0;         // bytes read (at most 196)
    bool fullScreen = false;
};

struct Launch {
    std::wstring commandLine;
    std::wstring workingFolder;
    std::wstring ownFolder;  // with a trailing backslash
    std::wstring gameName;   // first argument
    std::wstring gameTitle;  // second argument onwards, joined by blanks
    int argCount = 0;
    Settings settings;
};

Launch launch;
HFONT textFont = nullptr;

std::wstring withBackslash(std::wstring folder) {
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    return folder;
}

std::wstring currentFolder() {
    wchar_t buffer[MAX_PATH * 2] = {};
    DWORD n = GetCurrentDirectoryW(MAX_PATH * 2, buffer);
    return (n > 0 && n < MAX_PATH * 2) ? std::wstring(buffer, n) : std::wstring();
}

std::wstring moduleFolder() {
    wchar_t buffer[MAX_PATH * 2] = {};
    DWORD n = GetModuleFileNameW(nullptr, buffer, MAX_PATH * 2);
    std::wstring path(buffer, n < MAX_PATH * 2 ? n : 0);
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

// A record shorter than the fullScreen field is not a Settings Record.
bool readSettings(const std::wstring& path, Settings& out) {
    Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.ok()) return false;
    unsigned char record[kSettingsRecordSize] = {};
    DWORD got = 0;
    if (!ReadFile(file.h, record, kSettingsRecordSize, &got, nullptr)) return false;
    out.path = path;
    out.size = got;
    if (got >= kFullScreenOffset + 4) {
        int32_t value = static_cast<int32_t>(record[kFullScreenOffset] | (record[kFullScreenOffset + 1] << 8) |
                                             (record[kFullScreenOffset + 2] << 16) |
                                             (static_cast<uint32_t>(record[kFullScreenOffset + 3]) << 24));
        out.fullScreen = value == 1;
    }
    return true;
}

Settings findSettings(const std::wstring& workingFolder, const std::wstring& ownFolder) {
    Settings settings;
    if (!workingFolder.empty() && readSettings(withBackslash(workingFolder) + L"env.dat", settings)) return settings;
    if (!ownFolder.empty() && readSettings(ownFolder + L"env.dat", settings)) return settings;
    return Settings{};
}

void parseArguments(Launch& l) {
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!args) return;
    l.argCount = count;
    if (count > 1) l.gameName = args[1];
    for (int i = 2; i < count; ++i) {
        if (i > 2) l.gameTitle += L' ';
        l.gameTitle += args[i];
    }
    LocalFree(args);
}

const wchar_t* modeText(const Settings& s) {
    if (s.path.empty()) return L"env.dat なし";
    if (s.size < kFullScreenOffset + 4) return L"env.dat 不正";
    return s.fullScreen ? L"フルスクリーン" : L"ウィンドウ";
}

const char* modeKey(const Settings& s) {
    if (s.path.empty()) return "none";
    if (s.size < kFullScreenOffset + 4) return "invalid";
    return s.fullScreen ? "fullscreen" : "window";
}

std::string utf8(const std::wstring& text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

void appendLog(const Launch& l) {
    if (l.ownFolder.empty()) return;
    Handle file(CreateFileW((l.ownFolder + L"tolmar-log.txt").c_str(), FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.ok()) return;
    char count[16];
    snprintf(count, sizeof count, "%d", l.argCount);
    std::string line = "cmdline=" + utf8(l.commandLine) + "\tcwd=" + utf8(l.workingFolder) + "\targc=" + count +
                       "\tname=" + utf8(l.gameName) + "\ttitle=" + utf8(l.gameTitle) + "\tmode=" + modeKey(l.settings) +
                       "\tenv=" + utf8(l.settings.path) + "\n";
    DWORD written = 0;
    WriteFile(file.h, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

std::wstring caption(const Launch& l) {
    std::wstring title = l.gameTitle.empty() ? L"Tolmar" : l.gameTitle;
    return title + L" - " + modeText(l.settings);
}

void paint(HWND window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    HGDIOBJ old = SelectObject(dc, textFont ? static_cast<HGDIOBJ>(textFont) : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    std::wstring text = (launch.gameTitle.empty() ? std::wstring(L"Tolmar") : launch.gameTitle) + L"\n" +
                        L"モード: " + modeText(launch.settings) + L"\n" + L"ゲーム名: " + launch.gameName;
    DrawTextW(dc, text.c_str(), -1, &client, DT_CENTER | DT_NOPREFIX | DT_WORDBREAK);
    SelectObject(dc, old);
    EndPaint(window, &ps);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        paint(window);
        return 0;
    case WM_TIMER:
        if (wParam == kAutoCloseTimer) DestroyWindow(window);
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

// Unset: no auto close; set but not a positive number: a short default.
UINT autoCloseMs() {
    wchar_t value[32] = {};
    DWORD n = GetEnvironmentVariableW(L"TOLMAR_GAME_AUTOCLOSE", value, 32);
    if (n == 0 || n >= 32) return 0;
    long ms = wcstol(value, nullptr, 10);
    return ms > 0 ? static_cast<UINT>(ms) : 1500;
}

HWND createGameWindow(HINSTANCE instance, const std::wstring& title, bool fullScreen) {
    int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    if (fullScreen)
        return CreateWindowExW(WS_EX_TOPMOST, L"TolmarSampleGame", title.c_str(), WS_POPUP | WS_VISIBLE, 0, 0,
                               screenW, screenH, nullptr, nullptr, instance, nullptr);
    RECT r = {0, 0, 480, 200};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    int w = r.right - r.left, h = r.bottom - r.top;
    return CreateWindowExW(0, L"TolmarSampleGame", title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                           (screenW - w) / 2, (screenH - h) / 2, w, h, nullptr, nullptr, instance, nullptr);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    launch.commandLine = GetCommandLineW();
    launch.workingFolder = currentFolder();
    launch.ownFolder = moduleFolder();
    parseArguments(launch);
    launch.settings = findSettings(launch.workingFolder, launch.ownFolder);
    appendLog(launch);

    WNDCLASSW wc = {};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.lpszClassName = L"TolmarSampleGame";
    if (!RegisterClassW(&wc)) return 1;

    textFont = CreateFontW(-20, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"ＭＳ Ｐゴシック");
    HWND window = createGameWindow(instance, caption(launch), launch.settings.fullScreen);
    if (!window) return 1;
    UpdateWindow(window);
    if (UINT ms = autoCloseMs()) SetTimer(window, kAutoCloseTimer, ms, nullptr);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (textFont) DeleteObject(textFont);
    return 0;
}
