#pragma once
// The running Setup Copy cannot delete itself, and so neither its game folder. After the
// uninstall it hands that last step to a copy of itself in the temporary folder, which waits
// for this process to end, deletes the Setup Copy (only when it is the very same program)
// and the game folder when empty, and then has itself deleted.
#include <string>

// Full path of this process's program file; "" when it cannot be had.
std::wstring runningProgramPath();

// Starts the temporary copy for `installFolder` (with its trailing backslash). False when it
// could not be started; the Setup Copy then simply stays.
bool startLeftoverRemoval(const std::wstring& ownProgram, const std::wstring& installFolder);
// In the temporary copy: true when the command line asks for the leftover removal, which has
// then been done.
bool runLeftoverRemovalIfAsked();
