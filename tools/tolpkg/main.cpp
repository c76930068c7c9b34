// tolpkg: builds Install Packages from a manifest, shows, lists, checks and unpacks them,
// and converts pictures to and from the Packed Picture format.
// Exit status: 0 success, 1 bad input (one line on stderr), 2 bad usage.
#include "package/PackageFormat.h"
#include "tools/tolpkg/BadInput.h"
#include "tools/tolpkg/Commands.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <functional>

namespace {

std::uint32_t parseOffset(const std::string& text) {
    std::size_t used = 0;
    unsigned long long value = 0;
    try {
        value = std::stoull(text, &used, 0);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size() || value > 0x7FFFFFFF)
        throw CLI::ValidationError("--header-offset", "not an offset: " + text);
    return static_cast<std::uint32_t>(value);
}

struct Options {
    std::string package, manifest, output, folder, in, out, tag = "CF", setupImage, headerOffset, files;
};

void addHeaderOffset(CLI::App* command, Options& o) {
    command->add_option("--header-offset", o.headerOffset, "Package Header offset (default 0x75000)");
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"tolpkg: Install Package tool"};
    app.require_subcommand(1);
    Options o;
    std::function<void()> run;

    auto* build = app.add_subcommand("build", "Build an Install Package from a TOML manifest");
    build->add_option("MANIFEST", o.manifest, "Manifest file")->required();
    build->add_option("-o,--output", o.output, "Package to write")->required();
    build->add_option("--setup-image", o.setupImage, "Setup program image (overrides the manifest)");
    build->add_option("--files", o.files, "Folder of game files (overrides the manifest)");
    addHeaderOffset(build, o);
    build->callback([&] {
        run = [&] {
            BuildOptions options{o.manifest, o.output, std::nullopt, std::nullopt, std::nullopt};
            if (!o.setupImage.empty()) options.setupImage = o.setupImage;
            if (!o.files.empty()) options.filesFolder = o.files;
            if (!o.headerOffset.empty()) options.headerOffset = parseOffset(o.headerOffset);
            buildPackage(options);
        };
    });

    auto offset = [&] { return o.headerOffset.empty() ? kDefaultHeaderOffset : parseOffset(o.headerOffset); };
    auto* info = app.add_subcommand("info", "Show the Package Header and head");
    info->add_option("PACKAGE", o.package)->required();
    addHeaderOffset(info, o);
    info->callback([&] { run = [&] { showInfo(o.package, offset()); }; });

    auto* list = app.add_subcommand("list", "List the packed files: size, tab, name");
    list->add_option("PACKAGE", o.package)->required();
    addHeaderOffset(list, o);
    list->callback([&] { run = [&] { listFiles(o.package, offset()); }; });

    auto* verify = app.add_subcommand("verify", "Check the whole package");
    verify->add_option("PACKAGE", o.package)->required();
    addHeaderOffset(verify, o);
    verify->callback([&] { run = [&] { verifyPackage(o.package, offset()); }; });

    auto* extract = app.add_subcommand("extract", "Unpack the files into a folder");
    extract->add_option("PACKAGE", o.package)->required();
    extract->add_option("DIR", o.folder)->required();
    addHeaderOffset(extract, o);
    extract->callback([&] { run = [&] { extractPackage(o.package, o.folder, offset()); }; });

    auto* picture = app.add_subcommand("picture", "Convert pictures");
    picture->require_subcommand(1);
    auto* encode = picture->add_subcommand("encode", "PNG or BMP to a Packed Picture");
    encode->add_option("IN", o.in)->required();
    encode->add_option("OUT", o.out)->required();
    encode->add_option("--tag", o.tag, "CF, CB, CT or CC")->check(CLI::IsMember({"CF", "CB", "CT", "CC"}));
    encode->callback([&] { run = [&] { encodePicture(o.in, o.out, o.tag); }; });
    auto* decode = picture->add_subcommand("decode", "Packed Picture to PNG");
    decode->add_option("IN", o.in)->required();
    decode->add_option("OUT", o.out)->required();
    decode->callback([&] { run = [&] { decodePicture(o.in, o.out); }; });

    try {
        app.parse(argc, argv);
        if (run) run();
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return 2;
    } catch (const BadInput& e) {
        std::fprintf(stderr, "tolpkg: %s\n", e.what());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tolpkg: %s\n", e.what());
        return 1;
    }
    return 0;
}
