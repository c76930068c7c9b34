#include "app/InstallerState.h"

InstallerState state;
