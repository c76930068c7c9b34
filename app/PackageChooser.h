#pragma once
// The package file chooser: the platform's Open dialog, handing the choice back as cp932.
#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "app/PathText.h"

// `filters` is a list of (description, pattern) pairs, each text NUL-terminated, ended by an
// empty text. On success writes the chosen path into `path` (capacity `pathSize`, cp932) and
// the final filter into `filterIndex`, and returns nonzero. A choice that has no cp932 form
// or does not fit the buffer counts as a cancel.
int choosePackageFile(HWND owner, HINSTANCE instance, char* path, std::size_t pathSize, const wchar_t* filters,
                      int& filterIndex);
