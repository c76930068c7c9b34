#include "app/InstallerState.h"

#include <new>

namespace {

// Storage without a destructor: no exit-time teardown code is generated for the record.
union StateStorage {
    StateStorage() : value() {}
    ~StateStorage() {}
    InstallerState value;
};

StateStorage storage;

}  // namespace

InstallerState& state = storage.value;
