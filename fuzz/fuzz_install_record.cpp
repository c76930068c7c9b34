#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "install/InstallJournal.h"
#include "install/InstallRecord.h"
#include "install/Removal.h"

// The input is taken as an Install Record or an install journal of the game GAME and then
// removed or recovered in a scratch folder: whatever it says, the files beside the game
// folder and further out must survive.
namespace {

namespace fs = std::filesystem;

struct Scratch {
    fs::path root = fs::temp_directory_path() / ("tolmar-fuzz-record-" + std::to_string(getpid()));
    fs::path base = root / "base";
    fs::path game = base / "GAME";
    std::string folder = game.string() + "\\";  // the program's form: cp932, folder with a separator

    void put(const fs::path& p, const std::string& bytes) const {
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    }
    void reset() const {
        fs::remove_all(game);
        put(root / "victim.txt", "v");
        put(base / "outside.txt", "o");
        put(game / "a.txt", "a");
        put(game / "data" / "b.dat", "b");
        put(game / "a.txt.instbak", "old a");
    }
    void check() const {
        if (!fs::exists(root / "victim.txt") || !fs::exists(base / "outside.txt")) std::abort();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Scratch scratch;
    if (size == 0) return 0;
    std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

    if (std::FILE* memory = fmemopen(bytes.data(), bytes.size() ? bytes.size() : 1, "rb")) {
        fsys::File file(memory);
        NulListReader reader(file);
        std::string entry;
        while (reader.next(entry))
            if (entry.size() > kMaxRecordEntry) std::abort();
    }

    scratch.reset();
    if (data[0] & 1) {
        scratch.put(scratch.game / "GAME.idj", bytes);
        recoverUnfinishedInstall(scratch.folder, "GAME");
    } else {
        scratch.put(scratch.game / "GAME.idf", bytes);
        removeListedFiles(scratch.folder, "GAME", (data[0] & 2) != 0);
    }
    scratch.check();
    return 0;
}
