// e2e-driver.exe: looks at and operates the windows of other programs under Wine for
// the end-to-end tests. Each subcommand prints JSON lines (one object per line, UTF-8)
// and returns 0 on success, 1 when nothing matched or timed out, 2 on bad usage.
//
// Run once per command (`wine e2e-driver.exe windows`), or as a server with `serve`:
// then each stdin line is one command, arguments separated by tabs (UTF-8), and each
// answer ends with the line "@end <rc>".
//
// Handles are printed and accepted as decimal numbers; coordinates of move, click,
// pixels are client coordinates of the given window.
#include <windows.h>
#include <objbase.h>
#include <commctrl.h>
#include <intshcut.h>
#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

using Args = std::vector<std::wstring>;

// ---------------------------------------------------------------------------
// Output

std::string utf8(const std::wstring& text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring wide(const std::string& text, UINT codePage = CP_UTF8) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(n > 0 ? n : 0, L'\0');
    if (n > 0) MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

void writeOut(const std::string& text) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD written = 0;
    WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::string quoted(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char buf[8];
                snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

// One JSON object, built field by field and printed as one line.
struct Json {
    std::string body;
    Json& raw(const char* key, const std::string& value) {
        body += (body.empty() ? "" : ",") + quoted(key) + ":" + value;
        return *this;
    }
    Json& str(const char* key, const std::wstring& value) { return raw(key, quoted(utf8(value))); }
    Json& str8(const char* key, const std::string& value) { return raw(key, quoted(value)); }
    Json& num(const char* key, long long value) { return raw(key, std::to_string(value)); }
    Json& flag(const char* key, bool value) { return raw(key, value ? "true" : "false"); }
    Json& rect(const char* key, const RECT& r) {
        return raw(key, "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
                            "," + std::to_string(r.bottom) + "]");
    }
    void print() const { writeOut("{" + body + "}\n"); }
};

int fail(const char* what, const std::wstring& detail = L"") {
    Json().str8("error", what).str("detail", detail).print();
    return 1;
}

int usage(const char* text) {
    Json().str8("error", "usage").str8("usage", text).print();
    return 2;
}

// ---------------------------------------------------------------------------
// Parsing and small Win32 helpers

long long number(const std::wstring& text) { return wcstoll(text.c_str(), nullptr, 0); }

HWND handleArg(const std::wstring& text) {
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(wcstoull(text.c_str(), nullptr, 0)));
}

long long handleValue(HWND h) { return static_cast<long long>(reinterpret_cast<uintptr_t>(h)); }

std::wstring windowText(HWND h) {
    // WM_GETTEXT is marshalled across processes, GetWindowText is not for controls.
    wchar_t buffer[2048] = {};
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(h, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000, &got))
        return {};
    return std::wstring(buffer, got < 2048 ? got : 2047);
}

std::wstring className(HWND h) {
    wchar_t buffer[256] = {};
    int n = GetClassNameW(h, buffer, 256);
    return std::wstring(buffer, n > 0 ? n : 0);
}

bool equalsNoCase(const std::wstring& a, const std::wstring& b) { return lstrcmpiW(a.c_str(), b.c_str()) == 0; }

bool contains(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

// Pattern "*" matches anything; otherwise a substring match.
bool matches(const std::wstring& text, const std::wstring& pattern) { return pattern == L"*" || contains(text, pattern); }

RECT clientOnScreen(HWND h) {
    RECT r = {};
    GetClientRect(h, &r);
    POINT p = {0, 0};
    ClientToScreen(h, &p);
    return RECT{p.x, p.y, p.x + r.right, p.y + r.bottom};
}

Json describeWindow(HWND h) {
    RECT r = {};
    GetWindowRect(h, &r);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    Json j;
    j.num("hwnd", handleValue(h))
        .str("class", className(h))
        .str("caption", windowText(h))
        .rect("rect", r)
        .rect("client", clientOnScreen(h))
        .num("owner", handleValue(GetWindow(h, GW_OWNER)))
        .num("pid", pid)
        .flag("visible", IsWindowVisible(h) != 0)
        .flag("enabled", IsWindowEnabled(h) != 0)
        .flag("iconic", IsIconic(h) != 0);
    return j;
}

BOOL CALLBACK collectWindow(HWND h, LPARAM p) {
    reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
    return TRUE;
}

std::vector<HWND> topWindows(bool visibleOnly) {
    std::vector<HWND> all, list;
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&all));
    for (HWND h : all)
        if (!visibleOnly || IsWindowVisible(h)) list.push_back(h);
    return list;
}

std::vector<HWND> childWindows(HWND parent) {
    std::vector<HWND> list;
    EnumChildWindows(parent, collectWindow, reinterpret_cast<LPARAM>(&list));
    return list;
}

bool isButtonClass(HWND h) { return equalsNoCase(className(h), L"Button"); }

// The static text of a message box: Windows gives it id 0xFFFF, Wine id 100;
// both are plain Static controls that are not icons.
HWND messageBoxText(HWND dialog) {
    for (HWND child : childWindows(dialog)) {
        if (GetParent(child) != dialog || !equalsNoCase(className(child), L"Static")) continue;
        LONG style = GetWindowLongW(child, GWL_STYLE);
        int id = GetDlgCtrlID(child);
        if ((style & SS_TYPEMASK) == SS_ICON) continue;
        if (id == 0xFFFF || id == 100 || id == -1) return child;
    }
    return nullptr;
}

bool isMessageBox(HWND h) {
    if (!IsWindowVisible(h) || className(h) != L"#32770" || !messageBoxText(h)) return false;
    // A message box holds only its texts, its icon and its buttons.
    for (HWND child : childWindows(h)) {
        std::wstring c = className(child);
        if (!equalsNoCase(c, L"Static") && !equalsNoCase(c, L"Button")) return false;
    }
    return true;
}

template <typename Find>
HWND waitFor(DWORD timeoutMs, Find find) {
    DWORD start = GetTickCount();
    for (;;) {
        if (HWND h = find()) return h;
        if (GetTickCount() - start >= timeoutMs) return nullptr;
        Sleep(50);
    }
}

DWORD timeoutArg(const Args& a, size_t index, DWORD fallback) {
    return a.size() > index ? static_cast<DWORD>(number(a[index])) : fallback;
}

bool hasOption(const Args& a, const wchar_t* option) {
    for (const auto& s : a)
        if (s == option) return true;
    return false;
}

// Positional arguments without the --options.
Args positional(const Args& a) {
    Args out;
    for (const auto& s : a)
        if (s.rfind(L"--", 0) != 0) out.push_back(s);
    return out;
}

bool checkWindow(HWND h) { return h && IsWindow(h); }

// ---------------------------------------------------------------------------
// Windows

int cmdWindows(const Args& a) {
    bool all = hasOption(a, L"--all");
    for (HWND h : topWindows(!all)) describeWindow(h).print();
    return 0;
}

// wait CLASS|* CAPTION|* TIMEOUT_MS [PID]: a visible top-level window whose class
// equals CLASS and whose caption contains CAPTION.
int cmdWait(const Args& a) {
    if (a.size() < 3) return usage("wait CLASS|* CAPTION|* TIMEOUT_MS [PID]");
    DWORD pidFilter = a.size() > 3 ? static_cast<DWORD>(number(a[3])) : 0;
    HWND found = waitFor(static_cast<DWORD>(number(a[2])), [&]() -> HWND {
        for (HWND h : topWindows(true)) {
            DWORD pid = 0;
            GetWindowThreadProcessId(h, &pid);
            if (pidFilter && pid != pidFilter) continue;
            if ((a[0] == L"*" || className(h) == a[0]) && matches(windowText(h), a[1])) return h;
        }
        return nullptr;
    });
    if (!found) return fail("timeout", a[0] + L" " + a[1]);
    describeWindow(found).print();
    return 0;
}

// gone HWND TIMEOUT_MS: waits until the window is destroyed or hidden.
int cmdGone(const Args& a) {
    if (a.size() < 2) return usage("gone HWND TIMEOUT_MS");
    HWND h = handleArg(a[0]);
    DWORD start = GetTickCount();
    while (IsWindow(h) && IsWindowVisible(h)) {
        if (GetTickCount() - start >= static_cast<DWORD>(number(a[1]))) return fail("timeout");
        Sleep(50);
    }
    Json().flag("gone", true).print();
    return 0;
}

int cmdClient(const Args& a) {
    if (a.empty()) return usage("client HWND");
    HWND h = handleArg(a[0]);
    if (!checkWindow(h)) return fail("no window", a[0]);
    RECT c = clientOnScreen(h);
    Json().num("hwnd", handleValue(h)).num("x", c.left).num("y", c.top).num("width", c.right - c.left)
        .num("height", c.bottom - c.top).print();
    return 0;
}

int cmdInfo(const Args& a) {
    if (a.empty()) return usage("info HWND");
    HWND h = handleArg(a[0]);
    if (!checkWindow(h)) return fail("no window", a[0]);
    describeWindow(h).print();
    return 0;
}

int cmdClose(const Args& a) {
    if (a.empty()) return usage("close HWND");
    HWND h = handleArg(a[0]);
    if (!checkWindow(h)) return fail("no window", a[0]);
    PostMessageW(h, WM_CLOSE, 0, 0);
    Json().flag("posted", true).print();
    return 0;
}

int cmdForeground(const Args& a) {
    if (a.empty()) return usage("foreground HWND");
    HWND h = handleArg(a[0]);
    if (!checkWindow(h)) return fail("no window", a[0]);
    BOOL ok = SetForegroundWindow(h);
    Json().flag("ok", ok != 0).num("foreground", handleValue(GetForegroundWindow())).print();
    return 0;
}

// ---------------------------------------------------------------------------
// Mouse and keyboard

void sendMouse(DWORD flags) {
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof in);
}

// Real input: the cursor moves and the system routes the events to the window under it.
void realMove(HWND h, int x, int y) {
    POINT p = {x, y};
    ClientToScreen(h, &p);
    SetCursorPos(p.x, p.y);
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = (p.x * 65535) / (GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = (p.y * 65535) / (GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof in);
}

// move HWND X Y [--post]
int cmdMove(const Args& all) {
    Args a = positional(all);
    if (a.size() < 3) return usage("move HWND X Y [--post]");
    HWND h = handleArg(a[0]);
    if (!checkWindow(h)) return fail("no window", a[0]);
    int x = static_cast<int>(number(a[1])), y = static_cast<int>(number(a[2]));
    if (hasOption(all, L"--post")) PostMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    else realMove(h, x, y);
    Json().flag("moved", true).print();
    return 0;
}

// click HWND X Y [--post | --release-only]: move there, press and release the left button.
// --release-only posts a lone WM_LBUTTONUP, as a window sees a click that came with no move.
int cmdClick(const Args& all) {
    Args a = positional(all);
    if (a.size() < 3) return usage("click HWND X Y [--post | --release-only]");
    HWND h = handleArg(a[0]);
    if (!checkWindow(h)) return fail("no window", a[0]);
    int x = static_cast<int>(number(a[1])), y = static_cast<int>(number(a[2]));
    if (hasOption(all, L"--release-only")) {
        PostMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    } else if (hasOption(all, L"--post")) {
        LPARAM at = MAKELPARAM(x, y);
        PostMessageW(h, WM_MOUSEMOVE, 0, at);
        PostMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(h, WM_LBUTTONUP, 0, at);
    } else {
        realMove(h, x, y);
        Sleep(30);
        sendMouse(MOUSEEVENTF_LEFTDOWN);
        Sleep(30);
        sendMouse(MOUSEEVENTF_LEFTUP);
    }
    Json().flag("clicked", true).print();
    return 0;
}

// key VK [VK...]: presses and releases the keys in order (real input to the focus).
int cmdKey(const Args& a) {
    if (a.empty()) return usage("key VK [VK...]");
    for (const auto& k : a) {
        INPUT in[2] = {};
        in[0].type = in[1].type = INPUT_KEYBOARD;
        in[0].ki.wVk = in[1].ki.wVk = static_cast<WORD>(number(k));
        in[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, in, sizeof in[0]);
        Sleep(20);
    }
    Json().flag("sent", true).print();
    return 0;
}

// ---------------------------------------------------------------------------
// Dialog controls

HWND controlArg(const Args& a, std::wstring& error) {
    HWND dialog = handleArg(a[0]);
    if (!checkWindow(dialog)) {
        error = L"no window " + a[0];
        return nullptr;
    }
    HWND control = GetDlgItem(dialog, static_cast<int>(number(a[1])));
    if (!control) error = L"no control " + a[1];
    return control;
}

int checkState(HWND control) {
    DWORD_PTR state = 0;
    SendMessageTimeoutW(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &state);
    return static_cast<int>(state);
}

int cmdTexts(const Args& a) {
    if (a.empty()) return usage("texts HWND");
    HWND h = handleArg(a[0]);
    if (!checkWindow(h)) return fail("no window", a[0]);
    for (HWND child : childWindows(h)) {
        RECT r = {};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, h, reinterpret_cast<POINT*>(&r), 2);
        Json j;
        j.num("hwnd", handleValue(child))
            .num("id", GetDlgCtrlID(child))
            .str("class", className(child))
            .str("text", windowText(child))
            .flag("enabled", IsWindowEnabled(child) != 0)
            .flag("visible", IsWindowVisible(child) != 0)
            .num("parent", handleValue(GetParent(child)))
            .rect("rect", r);
        if (isButtonClass(child)) j.num("checked", checkState(child));
        j.print();
    }
    return 0;
}

// press HWND ID [--command]: BM_CLICK on the button (posted, so a modal loop it
// opens does not block the driver); --command posts WM_COMMAND/BN_CLICKED instead.
int cmdPress(const Args& all) {
    Args a = positional(all);
    if (a.size() < 2) return usage("press HWND ID [--command]");
    std::wstring error;
    HWND control = controlArg(a, error);
    if (hasOption(all, L"--command")) {
        HWND dialog = handleArg(a[0]);
        if (!checkWindow(dialog)) return fail("no window", a[0]);
        int id = static_cast<int>(number(a[1]));
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
    } else {
        if (!control) return fail("no control", error);
        PostMessageW(control, BM_CLICK, 0, 0);
    }
    Json().flag("pressed", true).print();
    return 0;
}

// check HWND ID 0|1: clicks the box when its state differs (so the dialog sees the
// click), then sets the state directly if the click did not reach it.
int cmdCheck(const Args& a) {
    if (a.size() < 3) return usage("check HWND ID 0|1");
    std::wstring error;
    HWND control = controlArg(a, error);
    if (!control) return fail("no control", error);
    int want = number(a[2]) ? BST_CHECKED : BST_UNCHECKED;
    if (checkState(control) != want) {
        DWORD_PTR r = 0;
        SendMessageTimeoutW(control, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 2000, &r);
        if (checkState(control) != want) SendMessageTimeoutW(control, BM_SETCHECK, want, 0, SMTO_ABORTIFHUNG, 2000, &r);
    }
    Json().num("checked", checkState(control)).print();
    return checkState(control) == want ? 0 : 1;
}

// settext HWND ID TEXT: WM_SETTEXT on a control (an edit box, the Open dialog's name).
int cmdSetText(const Args& a) {
    if (a.size() < 3) return usage("settext HWND ID TEXT");
    std::wstring error;
    HWND control = controlArg(a, error);
    if (!control) return fail("no control", error);
    DWORD_PTR r = 0;
    SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(a[2].c_str()), SMTO_ABORTIFHUNG, 2000, &r);
    Json().str("text", windowText(control)).print();
    return 0;
}

// ---------------------------------------------------------------------------
// Message boxes

Json describeMessageBox(HWND box) {
    std::string buttons = "[";
    for (HWND child : childWindows(box)) {
        if (!isButtonClass(child) || !IsWindowVisible(child)) continue;
        if (buttons.size() > 1) buttons += ",";
        buttons += "{\"id\":" + std::to_string(GetDlgCtrlID(child)) + ",\"text\":" + quoted(utf8(windowText(child))) + "}";
    }
    buttons += "]";
    DWORD pid = 0;
    GetWindowThreadProcessId(box, &pid);
    Json j;
    j.num("hwnd", handleValue(box))
        .str("caption", windowText(box))
        .str("text", windowText(messageBoxText(box)))
        .raw("buttons", buttons)
        .num("owner", handleValue(GetWindow(box, GW_OWNER)))
        .num("pid", pid)
        .rect("rect", [&] { RECT r{}; GetWindowRect(box, &r); return r; }());
    return j;
}

HWND findMessageBox(const std::wstring& pattern) {
    for (HWND h : topWindows(true)) {
        if (!isMessageBox(h)) continue;
        if (matches(windowText(messageBoxText(h)), pattern) || matches(windowText(h), pattern)) return h;
    }
    return nullptr;
}

// msgbox [TEXT_SUBSTRING|* [TIMEOUT_MS]]: the first visible message box.
int cmdMsgbox(const Args& a) {
    std::wstring pattern = a.empty() ? L"*" : a[0];
    HWND box = waitFor(timeoutArg(a, 1, 0), [&] { return findMessageBox(pattern); });
    if (!box) return fail("no message box", pattern);
    describeMessageBox(box).print();
    return 0;
}

int buttonId(const std::wstring& name) {
    static const struct { const wchar_t* name; int id; } names[] = {
        {L"OK", IDOK}, {L"CANCEL", IDCANCEL}, {L"ABORT", IDABORT}, {L"RETRY", IDRETRY},
        {L"IGNORE", IDIGNORE}, {L"YES", IDYES}, {L"NO", IDNO}, {L"CLOSE", IDCLOSE},
    };
    for (const auto& n : names)
        if (equalsNoCase(name, n.name)) return n.id;
    return static_cast<int>(number(name));
}

// answer TEXT_SUBSTRING|* BUTTON [TIMEOUT_MS]: BUTTON is OK, CANCEL, YES, NO ... or an id.
int cmdAnswer(const Args& a) {
    if (a.size() < 2) return usage("answer TEXT_SUBSTRING|* BUTTON [TIMEOUT_MS]");
    HWND box = waitFor(timeoutArg(a, 2, 0), [&] { return findMessageBox(a[0]); });
    if (!box) return fail("no message box", a[0]);
    describeMessageBox(box).print();
    int id = buttonId(a[1]);
    HWND button = GetDlgItem(box, id);
    if (!button) return fail("no such button", a[1]);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    return 0;
}

// ---------------------------------------------------------------------------
// Tree views (through memory of the program that owns the control)

struct RemoteMemory {
    HANDLE process = nullptr;
    void* address = nullptr;
    RemoteMemory(HWND window, size_t size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (process) address = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~RemoteMemory() {
        if (address) VirtualFreeEx(process, address, 0, MEM_RELEASE);
        if (process) CloseHandle(process);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;
    bool ok() const { return address != nullptr; }
    bool put(const void* data, size_t size, size_t at = 0) {
        return WriteProcessMemory(process, static_cast<char*>(address) + at, data, size, nullptr);
    }
    bool get(void* data, size_t size, size_t at = 0) {
        return ReadProcessMemory(process, static_cast<char*>(address) + at, data, size, nullptr);
    }
    LPARAM at(size_t offset = 0) const { return reinterpret_cast<LPARAM>(static_cast<char*>(address) + offset); }
};

LRESULT send(HWND h, UINT message, WPARAM w, LPARAM l) {
    DWORD_PTR r = 0;
    SendMessageTimeoutW(h, message, w, l, SMTO_ABORTIFHUNG, 5000, &r);
    return static_cast<LRESULT>(r);
}

struct TreeItem {
    HTREEITEM item;
    std::wstring text;
    UINT state;
    bool hasChildren;
};

constexpr size_t kTextOffset = 256;

bool readTreeItem(HWND tree, RemoteMemory& mem, HTREEITEM item, TreeItem& out) {
    TVITEMW tv = {};
    tv.mask = TVIF_TEXT | TVIF_STATE | TVIF_CHILDREN | TVIF_HANDLE;
    tv.hItem = item;
    tv.stateMask = 0xFFFF;
    tv.pszText = reinterpret_cast<LPWSTR>(mem.at(kTextOffset));
    tv.cchTextMax = 260;
    wchar_t zero[260] = {};
    if (!mem.put(&tv, sizeof tv) || !mem.put(zero, sizeof zero, kTextOffset)) return false;
    if (!send(tree, TVM_GETITEMW, 0, mem.at())) return false;
    wchar_t text[260] = {};
    mem.get(&tv, sizeof tv);
    mem.get(text, sizeof text, kTextOffset);
    text[259] = 0;
    out = TreeItem{item, text, tv.state, tv.cChildren != 0};
    return true;
}

HTREEITEM nextItem(HWND tree, HTREEITEM item, UINT how) {
    return reinterpret_cast<HTREEITEM>(send(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(item)));
}

void printTree(HWND tree, RemoteMemory& mem, HTREEITEM first, int depth, const std::wstring& path) {
    for (HTREEITEM it = first; it; it = nextItem(tree, it, TVGN_NEXT)) {
        TreeItem item;
        if (!readTreeItem(tree, mem, it, item)) return;
        std::wstring full = path.empty() ? item.text : path + L"/" + item.text;
        Json().num("item", handleValue(reinterpret_cast<HWND>(it))).num("depth", depth).str("text", item.text)
            .str("path", full).flag("expanded", (item.state & TVIS_EXPANDED) != 0)
            .flag("selected", (item.state & TVIS_SELECTED) != 0).flag("children", item.hasChildren).print();
        if (item.state & TVIS_EXPANDED) printTree(tree, mem, nextItem(tree, it, TVGN_CHILD), depth + 1, full);
    }
}

std::vector<std::wstring> splitPath(const std::wstring& path) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find(L'/', start);
        if (slash == std::wstring::npos) slash = path.size();
        if (slash > start) parts.push_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    return parts;
}

// A step of a path matches an item whose text equals it, ignoring case, or begins with it.
HTREEITEM findChild(HWND tree, RemoteMemory& mem, HTREEITEM first, const std::wstring& name) {
    HTREEITEM prefix = nullptr;
    for (HTREEITEM it = first; it; it = nextItem(tree, it, TVGN_NEXT)) {
        TreeItem item;
        if (!readTreeItem(tree, mem, it, item)) return nullptr;
        if (equalsNoCase(item.text, name)) return it;
        if (!prefix && item.text.size() >= name.size() && equalsNoCase(item.text.substr(0, name.size()), name))
            prefix = it;
    }
    return prefix;
}

// Double-clicks an item as a user would: the owner then sees the usual notifications.
void doubleClickItem(HWND tree, RemoteMemory& mem, HTREEITEM item) {
    RECT r = {};
    memcpy(&r, &item, sizeof item);
    mem.put(&r, sizeof r);
    if (!send(tree, TVM_GETITEMRECT, TRUE, mem.at())) return;
    mem.get(&r, sizeof r);
    realMove(tree, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    for (int i = 0; i < 2; ++i) {
        sendMouse(MOUSEEVENTF_LEFTDOWN);
        sendMouse(MOUSEEVENTF_LEFTUP);
    }
}

// tree HWND ID [PATH] [--mouse]: without PATH lists the expanded items; with PATH
// ("C:\/Games/Sample", steps separated by "/") expands each step and selects the last.
// --mouse expands by double-clicking the items instead of TVM_EXPAND.
int cmdTree(const Args& all) {
    Args a = positional(all);
    if (a.size() < 2) return usage("tree HWND ID [PATH] [--mouse]");
    std::wstring error;
    HWND tree = controlArg(a, error);
    if (!tree) return fail("no control", error);
    RemoteMemory mem(tree, 4096);
    if (!mem.ok()) return fail("no access to the tree's process");
    HTREEITEM root = nextItem(tree, nullptr, TVGN_ROOT);
    if (a.size() < 3) {
        printTree(tree, mem, root, 0, L"");
        return 0;
    }
    bool mouse = hasOption(all, L"--mouse");
    HTREEITEM level = root, item = nullptr;
    std::vector<std::wstring> steps = splitPath(a[2]);
    for (size_t i = 0; i < steps.size(); ++i) {
        item = findChild(tree, mem, level, steps[i]);
        if (!item) return fail("no tree item", steps[i]);
        send(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
        if (i + 1 == steps.size()) break;
        TreeItem info;
        readTreeItem(tree, mem, item, info);
        if (!(info.state & TVIS_EXPANDED)) {
            if (mouse) doubleClickItem(tree, mem, item);
            else send(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
            Sleep(100);
        }
        level = nextItem(tree, item, TVGN_CHILD);
    }
    TreeItem selected;
    readTreeItem(tree, mem, item, selected);
    Json().num("item", handleValue(reinterpret_cast<HWND>(item))).str("text", selected.text)
        .flag("selected", (selected.state & TVIS_SELECTED) != 0).print();
    return 0;
}

// ---------------------------------------------------------------------------
// Pixels read back from the screen

// pixels HWND X Y W H [FILE.bmp]: mean colour and a hash of the client-area block,
// read from the screen; with FILE the block is saved as a 24-bit BMP.
int cmdPixels(const Args& a) {
    if (a.size() < 5) return usage("pixels HWND X Y W H [FILE.bmp]");
    HWND h = handleArg(a[0]);
    if (!checkWindow(h)) return fail("no window", a[0]);
    int x = static_cast<int>(number(a[1])), y = static_cast<int>(number(a[2]));
    int w = static_cast<int>(number(a[3])), hgt = static_cast<int>(number(a[4]));
    if (w <= 0 || hgt <= 0 || w > 4096 || hgt > 4096) return fail("bad size");
    POINT p = {x, y};
    ClientToScreen(h, &p);

    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -hgt;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    HDC memDc = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memDc, bmp);
    BitBlt(memDc, 0, 0, w, hgt, screen, p.x, p.y, SRCCOPY);
    GdiFlush();
    int stride = (w * 3 + 3) & ~3;
    const unsigned char* px = static_cast<const unsigned char*>(bits);
    unsigned long long sum[3] = {0, 0, 0};
    uint32_t hash = 2166136261u;
    for (int row = 0; row < hgt; ++row)
        for (int col = 0; col < w; ++col)
            for (int c = 0; c < 3; ++c) {
                unsigned char v = px[row * stride + col * 3 + c];
                sum[c] += v;
                hash = (hash ^ v) * 16777619u;
            }
    if (a.size() > 5) {
        BITMAPFILEHEADER fh = {};
        fh.bfType = 0x4D42;
        fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
        fh.bfSize = fh.bfOffBits + stride * hgt;
        BITMAPINFOHEADER ih = bi.bmiHeader;
        ih.biHeight = hgt;
        HANDLE f = CreateFileW(a[5].c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f != INVALID_HANDLE_VALUE) {
            DWORD n = 0;
            WriteFile(f, &fh, sizeof fh, &n, nullptr);
            WriteFile(f, &ih, sizeof ih, &n, nullptr);
            for (int row = hgt - 1; row >= 0; --row) WriteFile(f, px + row * stride, stride, &n, nullptr);
            CloseHandle(f);
        }
    }
    SelectObject(memDc, old);
    DeleteObject(bmp);
    DeleteDC(memDc);
    ReleaseDC(nullptr, screen);
    long long count = static_cast<long long>(w) * hgt;
    char hashText[16];
    snprintf(hashText, sizeof hashText, "%08x", hash);
    Json().raw("mean", "[" + std::to_string(sum[2] / count) + "," + std::to_string(sum[1] / count) + "," +
                           std::to_string(sum[0] / count) + "]")
        .str8("hash", hashText).print();
    return 0;
}

// ---------------------------------------------------------------------------
// Shortcuts, INI files, processes

struct ComScope {
    HRESULT hr;
    ComScope() : hr(CoInitialize(nullptr)) {}
    ~ComScope() { if (SUCCEEDED(hr)) CoUninitialize(); }
};

template <typename T>
struct ComPtr {
    T* p = nullptr;
    ~ComPtr() { if (p) p->Release(); }
    T** out() { return &p; }
    T* operator->() const { return p; }
};

int cmdShortcut(const Args& a) {
    if (a.empty()) return usage("shortcut FILE.lnk");
    ComScope com;
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(link.out()))))
        return fail("no shell link object");
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.out())))) return fail("no IPersistFile");
    if (FAILED(file->Load(a[0].c_str(), STGM_READ))) return fail("cannot load", a[0]);
    wchar_t target[MAX_PATH] = {}, args[1024] = {}, folder[MAX_PATH] = {}, description[1024] = {}, icon[MAX_PATH] = {};
    int iconIndex = 0, show = 0;
    link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    link->GetArguments(args, 1024);
    link->GetWorkingDirectory(folder, MAX_PATH);
    link->GetDescription(description, 1024);
    link->GetIconLocation(icon, MAX_PATH, &iconIndex);
    link->GetShowCmd(&show);
    Json().str("file", a[0]).str("target", target).str("arguments", args).str("workdir", folder)
        .str("description", description).str("icon", icon).num("iconIndex", iconIndex).num("show", show).print();
    return 0;
}

std::wstring iniValue(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
    wchar_t buffer[2048] = {};
    GetPrivateProfileStringW(section, key, L"", buffer, 2048, file.c_str());
    return buffer;
}

int cmdUrl(const Args& a) {
    if (a.empty()) return usage("url FILE.url");
    std::wstring fromIni = iniValue(a[0], L"InternetShortcut", L"URL");
    std::wstring fromShell;
    {
        ComScope com;
        ComPtr<IUniformResourceLocatorW> url;
        if (SUCCEEDED(CoCreateInstance(CLSID_InternetShortcut, nullptr, CLSCTX_INPROC_SERVER, IID_IUniformResourceLocatorW,
                                       reinterpret_cast<void**>(url.out())))) {
            ComPtr<IPersistFile> file;
            if (SUCCEEDED(url->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.out()))) &&
                SUCCEEDED(file->Load(a[0].c_str(), STGM_READ))) {
                LPWSTR text = nullptr;
                if (SUCCEEDED(url->GetURL(&text)) && text) {
                    fromShell = text;
                    CoTaskMemFree(text);
                }
            }
        }
    }
    if (fromIni.empty() && fromShell.empty() && GetFileAttributesW(a[0].c_str()) == INVALID_FILE_ATTRIBUTES)
        return fail("no such file", a[0]);
    Json().str("file", a[0]).str("url", fromShell.empty() ? fromIni : fromShell).str("ini", fromIni)
        .str("shell", fromShell).print();
    return 0;
}

std::vector<std::wstring> nulList(const wchar_t* buffer, DWORD length) {
    std::vector<std::wstring> out;
    for (DWORD i = 0; i < length && buffer[i];) {
        std::wstring s(buffer + i);
        i += static_cast<DWORD>(s.size()) + 1;
        out.push_back(s);
    }
    return out;
}

// readini FILE [SECTION]: one line per key as the private-profile functions read it.
int cmdReadIni(const Args& a) {
    if (a.empty()) return usage("readini FILE [SECTION]");
    if (GetFileAttributesW(a[0].c_str()) == INVALID_FILE_ATTRIBUTES) return fail("no such file", a[0]);
    std::vector<wchar_t> buffer(65536);
    std::vector<std::wstring> sections;
    if (a.size() > 1) sections.push_back(a[1]);
    else sections = nulList(buffer.data(), GetPrivateProfileSectionNamesW(buffer.data(), 65536, a[0].c_str()));
    for (const auto& section : sections) {
        DWORD n = GetPrivateProfileSectionW(section.c_str(), buffer.data(), 65536, a[0].c_str());
        for (const auto& line : nulList(buffer.data(), n)) {
            size_t eq = line.find(L'=');
            Json().str("section", section).str("key", line.substr(0, eq))
                .str("value", eq == std::wstring::npos ? L"" : line.substr(eq + 1)).print();
        }
    }
    return 0;
}

int cmdProcesses(const Args&) {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return fail("no process list");
    PROCESSENTRY32W e = {};
    e.dwSize = sizeof e;
    for (BOOL ok = Process32FirstW(snap, &e); ok; ok = Process32NextW(snap, &e))
        Json().num("pid", e.th32ProcessID).str("exe", e.szExeFile).num("parent", e.th32ParentProcessID).print();
    CloseHandle(snap);
    return 0;
}

// kill PID...: ends the processes (TerminateProcess, exit code 9).
int cmdKill(const Args& a) {
    int rc = 0;
    for (const auto& text : a) {
        DWORD pid = static_cast<DWORD>(number(text));
        HANDLE p = OpenProcess(PROCESS_TERMINATE, FALSE, pid);
        bool ok = p && TerminateProcess(p, 9);
        if (p) CloseHandle(p);
        Json().num("pid", pid).flag("killed", ok).print();
        if (!ok) rc = 1;
    }
    return rc;
}

// ---------------------------------------------------------------------------
// Self-test windows for the bench's own checks

LRESULT CALLBACK probeProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_DESTROY) PostQuitMessage(0);
    if (m == WM_LBUTTONUP) {
        wchar_t text[64];
        swprintf(text, 64, L"click %d %d", static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l)));
        SetWindowTextW(h, text);
    }
    return DefWindowProcW(h, m, w, l);
}

// probe CAPTION: a 200 by 100 client window that shows its last click in its caption.
int cmdProbe(const Args& a) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = probeProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = L"E2EProbe";
    RegisterClassW(&wc);
    RECT r = {0, 0, 200, 100};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    HWND h = CreateWindowW(L"E2EProbe", a.empty() ? L"probe" : a[0].c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100,
                           100, r.right - r.left, r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
    if (!h) return fail("no window");
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

// showbox CAPTION TEXT: a Yes/No message box; prints the answer.
int cmdShowBox(const Args& a) {
    if (a.size() < 2) return usage("showbox CAPTION TEXT");
    int r = MessageBoxW(nullptr, a[1].c_str(), a[0].c_str(), MB_YESNO | MB_ICONINFORMATION);
    Json().num("answer", r).print();
    return 0;
}

// ---------------------------------------------------------------------------
// Dispatch

struct Command {
    const wchar_t* name;
    int (*run)(const Args&);
};

const Command kCommands[] = {
    {L"windows", cmdWindows},   {L"wait", cmdWait},       {L"gone", cmdGone},         {L"client", cmdClient},
    {L"info", cmdInfo},         {L"close", cmdClose},     {L"foreground", cmdForeground},
    {L"move", cmdMove},         {L"click", cmdClick},     {L"key", cmdKey},           {L"texts", cmdTexts},
    {L"press", cmdPress},       {L"check", cmdCheck},     {L"settext", cmdSetText},   {L"msgbox", cmdMsgbox},
    {L"answer", cmdAnswer},     {L"tree", cmdTree},       {L"pixels", cmdPixels},     {L"shortcut", cmdShortcut},
    {L"url", cmdUrl},           {L"readini", cmdReadIni}, {L"processes", cmdProcesses}, {L"kill", cmdKill},
    {L"probe", cmdProbe},       {L"showbox", cmdShowBox},
};

int dispatch(const Args& words) {
    if (words.empty()) return usage("e2e-driver COMMAND ARGS... | serve");
    Args rest(words.begin() + 1, words.end());
    for (const auto& c : kCommands)
        if (words[0] == c.name) return c.run(rest);
    return fail("unknown command", words[0]);
}

Args splitTabs(const std::wstring& line) {
    Args out;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find(L'\t', start);
        out.push_back(line.substr(start, tab == std::wstring::npos ? std::wstring::npos : tab - start));
        if (tab == std::wstring::npos) break;
        start = tab + 1;
    }
    return out;
}

// One command per stdin line, until the end of input or the line "quit".
int serve() {
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    std::string pending;
    char buffer[4096];
    for (;;) {
        size_t newline;
        while ((newline = pending.find('\n')) == std::string::npos) {
            DWORD got = 0;
            if (!ReadFile(in, buffer, sizeof buffer, &got, nullptr) || got == 0) return 0;
            pending.append(buffer, got);
        }
        std::string line = pending.substr(0, newline);
        pending.erase(0, newline + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line == "quit") return 0;
        int rc = line.empty() ? 0 : dispatch(splitTabs(wide(line)));
        writeOut("@end " + std::to_string(rc) + "\n");
    }
}

}  // namespace

int main() {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    Args words;
    for (int i = 1; argv && i < count; ++i) words.push_back(argv[i]);
    if (argv) LocalFree(argv);
    if (words.size() == 1 && words[0] == L"serve") return serve();
    return dispatch(words);
}
