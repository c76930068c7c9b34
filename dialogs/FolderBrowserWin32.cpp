// "TREEDIRDLG": the folder tree browser. The tree is read from disk lazily, two levels
// below every item the user opens; item texts and paths are UTF-16 here and become cp932
// only when stored in installBaseFolder.
#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>
#include <utility>

#include "app/InstallerState.h"
#include "app/Messages.h"
#include "dialogs/FolderText.h"
#include "dialogs/SettingsDialogs.h"
#include "dialogs/SizeText.h"
#include "package/Cp932.h"

namespace {

constexpr int kTreeId = 1004;
constexpr int kPathId = 1200;
constexpr int kDriveId = 1210;
constexpr int kFreeSpaceId = 1300;
constexpr int kListDepth = 2;
constexpr int kPathReadChars = 512;
constexpr int kItemTextChars = 260;

// An image list destroyed with ImageList_Destroy.
class ScopedImageList {
public:
    ScopedImageList() = default;
    ScopedImageList(const ScopedImageList&) = delete;
    ScopedImageList& operator=(const ScopedImageList&) = delete;
    ~ScopedImageList() { reset(); }
    void reset(HIMAGELIST list = nullptr) {
        if (list_) ImageList_Destroy(list_);
        list_ = list;
    }
    HIMAGELIST get() const { return list_; }

private:
    HIMAGELIST list_ = nullptr;
};

// A search handle closed with FindClose.
class ScopedFind {
public:
    explicit ScopedFind(HANDLE h) : h_(h) {}
    ScopedFind(const ScopedFind&) = delete;
    ScopedFind& operator=(const ScopedFind&) = delete;
    ~ScopedFind() { if (h_ != INVALID_HANDLE_VALUE) FindClose(h_); }
    explicit operator bool() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

struct BrowserState {
    HWND browserTree = nullptr;
    ScopedImageList browserImages;
    int closedFolderImage = -1;
    int openFolderImage = -1;
    int driveImage = -1;
    int selectedDriveImage = -1;
    wchar_t currentDriveRoot[4] = L"C:\\";
};
BrowserState browser;

// Nullopt for a text with a character cp932 cannot hold.
std::optional<std::string> cp932Of(const std::wstring& text) {
    return cp932::fromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

// True when the folder path has a cp932 form short enough to be listed.
bool listable(const std::wstring& path) {
    const auto bytes = cp932Of(path);
    return bytes && folderFitsPathBuffer(bytes->size());
}

bool isDotName(const wchar_t* name) {
    return (name[0] == L'.' && name[1] == 0) || (name[0] == L'.' && name[1] == L'.' && name[2] == 0);
}

HTREEITEM insertTreeItem(HWND tree, HTREEITEM parent, HTREEITEM after, int image, int selectedImage,
                         const std::wstring& text) {
    TVINSERTSTRUCTW insert = {};
    insert.hParent = parent ? parent : TVI_ROOT;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<wchar_t*>(text.c_str());
    insert.item.iImage = image;
    insert.item.iSelectedImage = selectedImage;
    return TreeView_InsertItem(tree, &insert);
}

// Lists the visible subfolders of `path` (no trailing backslash) under `parent`, and theirs
// until `depth` reaches `maxDepth`. Folders whose path or search pattern would not fit the
// path buffer, or whose name has no cp932 form, are left out: they could not be stored.
void addSubfolders(HWND tree, HTREEITEM parent, const std::wstring& path, int image, int selectedImage, int depth,
                   int maxDepth) {
    if (depth >= maxDepth) return;
    if (!listable(path)) return;
    const std::wstring pattern = path + L"\\*";
    WIN32_FIND_DATAW entry;
    ScopedFind search(FindFirstFileW(pattern.c_str(), &entry));
    if (!search) return;
    HTREEITEM previous = TVI_FIRST;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        if (entry.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) continue;
        if (isDotName(entry.cFileName)) continue;
        const std::wstring child = path + L"\\" + entry.cFileName;
        if (!listable(child)) continue;
        HTREEITEM item = insertTreeItem(tree, parent, previous, image, selectedImage, entry.cFileName);
        if (!item) continue;
        previous = item;
        addSubfolders(tree, item, child, image, selectedImage, depth + 1, maxDepth);
    } while (FindNextFileW(search.get(), &entry));
}

void deleteChildItems(HWND tree, HTREEITEM item) {
    HTREEITEM child = TreeView_GetChild(tree, item);
    while (child) {
        HTREEITEM next = TreeView_GetNextSibling(tree, child);
        TreeView_DeleteItem(tree, child);
        child = next;
    }
}

void buildItemPath(HWND tree, HTREEITEM item, std::wstring& out, const wchar_t* separator) {
    HTREEITEM parent = TreeView_GetParent(tree, item);
    if (parent) {
        buildItemPath(tree, parent, out, separator);
        out += separator;
    }
    wchar_t text[kItemTextChars] = {};
    TVITEMW query = {};
    query.mask = TVIF_TEXT;
    query.hItem = item;
    query.pszText = text;
    query.cchTextMax = kItemTextChars;
    if (TreeView_GetItem(tree, &query)) out += text;
}

void addFixedDrives(HWND tree, int folderImage, int openFolderImage, int driveImage, int selectedDriveImage) {
    const DWORD drives = GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if (!(drives & (1u << i))) continue;
        const wchar_t letter = static_cast<wchar_t>(L'A' + i);
        const wchar_t root[] = {letter, L':', L'\\', 0};
        if (GetDriveTypeW(root) != DRIVE_FIXED) continue;
        const std::wstring text = {letter, L':'};
        HTREEITEM item = insertTreeItem(tree, nullptr, TVI_LAST, driveImage, selectedDriveImage, text);
        if (!item) continue;
        addSubfolders(tree, item, text, folderImage, openFolderImage, 0, kListDepth);
        TreeView_SortChildren(tree, item, TRUE);
    }
}

void showDrive(HWND dialog) {
    const std::string root = cp932Of(browser.currentDriveRoot).value_or(std::string());
    SetDlgItemTextW(dialog, kFreeSpaceId, widen(freeSpaceText(queryFreeSpaceKb(root))).c_str());
    wchar_t line[16] = L"Drive [ ]";
    line[7] = browser.currentDriveRoot[0];
    SetDlgItemTextW(dialog, kDriveId, line);
}

int addIcon(int resourceId) {
    HICON icon = static_cast<HICON>(
        LoadImageW(state.instance, MAKEINTRESOURCEW(resourceId), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    if (!icon) return -1;
    const int index = ImageList_AddIcon(browser.browserImages.get(), icon);
    DestroyIcon(icon);
    return index;
}

// Centred on the desktop window and kept above other windows.
void placeBrowser(HWND dialog) {
    RECT desktop, own;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(dialog, &own);
    const int x = ((desktop.right - desktop.left) - (own.right - own.left)) / 2;
    const int y = ((desktop.bottom - desktop.top) - (own.bottom - own.top)) / 2;
    SetWindowPos(dialog, HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE);
}

BOOL onInitDialog(HWND dialog) {
    browser.browserTree = GetDlgItem(dialog, kTreeId);
    browser.browserImages.reset(ImageList_Create(16, 16, ILC_COLOR4, 2, 2));
    if (!browser.browserImages.get()) {
        EndDialog(dialog, 1);
        return TRUE;
    }
    ImageList_SetBkColor(browser.browserImages.get(), GetSysColor(COLOR_WINDOW));
    browser.closedFolderImage = addIcon(106);
    browser.openFolderImage = addIcon(107);
    browser.driveImage = addIcon(108);
    browser.selectedDriveImage = addIcon(109);
    TreeView_SetImageList(browser.browserTree, browser.browserImages.get(), TVSIL_NORMAL);
    addFixedDrives(browser.browserTree, browser.closedFolderImage, browser.openFolderImage, browser.driveImage,
                   browser.selectedDriveImage);
    const std::wstring folder = widen(textOf(state.installBaseFolder));
    SetDlgItemTextW(dialog, kPathId, folder.c_str());
    if (!folder.empty()) browser.currentDriveRoot[0] = folder[0];
    showDrive(dialog);
    placeBrowser(dialog);
    return TRUE;
}

void onExpanding(const NMTREEVIEWW& note) {
    HWND tree = browser.browserTree;
    HTREEITEM item = note.itemNew.hItem;
    std::wstring path;
    buildItemPath(tree, item, path, L"\\");
    deleteChildItems(tree, item);
    addSubfolders(tree, item, path, browser.closedFolderImage, browser.openFolderImage, 0, kListDepth);
    TreeView_SortChildren(tree, item, TRUE);
}

void onSelecting(HWND dialog, const NMTREEVIEWW& note) {
    std::wstring path;
    buildItemPath(browser.browserTree, note.itemNew.hItem, path, L"\\");
    if (path.empty() || path.back() != L'\\') path += L'\\';
    SetDlgItemTextW(dialog, kPathId, path.c_str());
    if (path[0] != browser.currentDriveRoot[0]) {
        browser.currentDriveRoot[0] = path[0];
        showDrive(dialog);
    }
}

void onUpdate(HWND dialog) {
    wchar_t text[kPathReadChars] = {};
    GetDlgItemTextW(dialog, kPathId, text, kPathReadChars);
    // A text without a cp932 form counts as no path: it could not be stored.
    const BrowsedPath picked = checkBrowsedPath(cp932Of(text).value_or(std::string()));
    if (picked.verdict == BrowsedPathVerdict::empty) {
        showMessage(dialog, L"パスの取得に失敗しました。", L"Error", MB_OK);
        return;
    }
    if (picked.verdict == BrowsedPathVerdict::tooLong || !setText(state.installBaseFolder, picked.folder)) {
        showMessage(dialog, L"パスが長すぎるので選びなおして下さい。", L"Error", MB_OK);
        return;
    }
    EndDialog(dialog, 1);
}

INT_PTR CALLBACK browserProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return onInitDialog(dialog);
    case WM_NOTIFY: {
        const auto* note = reinterpret_cast<const NMTREEVIEWW*>(lParam);
        if (note->hdr.idFrom != kTreeId) return FALSE;
        if (note->hdr.code == TVN_ITEMEXPANDINGW) onExpanding(*note);
        if (note->hdr.code == TVN_SELCHANGINGW) onSelecting(dialog, *note);
        return FALSE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            onUpdate(dialog);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, 1);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

}  // namespace

int runFolderBrowser(HWND owner) {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    DialogBoxParamW(state.instance, L"TREEDIRDLG", owner, browserProc, 0);
    // The tree is gone with the dialog: only now can its image list go.
    browser.browserTree = nullptr;
    browser.browserImages.reset();
    return 1;
}
