#include "tools/image/ImageFile.h"
#include "tools/tolpkg/BadInput.h"
#include "tools/tolpkg/Commands.h"
#include "tools/tolpkg/HostFiles.h"

#include <cstdio>

void encodePicture(const std::filesystem::path& in, const std::filesystem::path& out, const std::string& tag) {
    if (auto error = encodePictureFile(in.string(), out.string(), tag); !error.empty())
        throw BadInput(host::display(in) + ": " + error);
    std::printf("%s: Packed Picture \"%s\"\n", host::display(out).c_str(), tag.c_str());
}

void decodePicture(const std::filesystem::path& in, const std::filesystem::path& out) {
    if (auto error = decodePictureFile(in.string(), out.string()); !error.empty())
        throw BadInput(host::display(in) + ": " + error);
    std::printf("%s: PNG\n", host::display(out).c_str());
}
