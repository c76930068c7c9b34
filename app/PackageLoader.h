#pragma once
// Finds and loads the Install Package named by packagePath into the Installer State.

// True when packagePath opens for reading (closed again at once).
bool packagePresent();
// Header, menu picture, surface, chip sheet, registry look-up, buttons, composition and
// window placement. False after showing what was wrong (where there is something to show).
bool loadPackage();
