// The interface and class ids the shell service uses. Defined here (selectany, so a copy
// from the system library does not clash) because the system's uuid library would bring in
// its whole table of ids, some 40 KB, for these five.
#include <windows.h>

#define LEAN_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
    extern "C" const GUID __declspec(selectany) name = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}

LEAN_GUID(IID_IPersistFile, 0x0000010b, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46);
LEAN_GUID(IID_IShellLinkW, 0x000214F9, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46);
LEAN_GUID(CLSID_ShellLink, 0x00021401, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46);
LEAN_GUID(CLSID_InternetShortcut, 0xFBF23B40, 0xE3F0, 0x101B, 0x84, 0x88, 0x00, 0xAA, 0x00, 0x3E, 0x56, 0xF8);
LEAN_GUID(IID_IUniformResourceLocatorW, 0xCABB0DA0, 0xDA57, 0x11CF, 0x99, 0x74, 0x00, 0x20, 0xAF, 0xD7, 0x97, 0x62);
