#include "tools/tolpkg/Manifest.h"

#include "package/Cp932.h"
#include "tools/tolpkg/BadInput.h"
#include "tools/tolpkg/HostFiles.h"

#include <toml++/toml.h>

#include <algorithm>
#include <limits>
#include <set>

namespace {

struct Context {
    std::string file;
    std::filesystem::path folder;

    [[noreturn]] void fail(const toml::node* at, const std::string& message) const {
        std::string where = file;
        if (at && at->source().begin.line) where += ":" + std::to_string(at->source().begin.line);
        throw BadInput(where + ": " + message);
    }
};

void refuseUnknownKeys(const Context& ctx, const toml::table& table, const std::string& tableName,
                       std::set<std::string> known) {
    for (const auto& [key, value] : table)
        if (!known.count(std::string(key.str())))
            ctx.fail(&value, "unknown key \"" + std::string(key.str()) + "\" in " + tableName);
}

const toml::table& tableAt(const Context& ctx, const toml::table& root, const char* name) {
    const toml::node* node = root.get(name);
    if (!node) ctx.fail(nullptr, std::string("missing table [") + name + "]");
    if (!node->is_table()) ctx.fail(node, std::string(name) + " must be a table");
    return *node->as_table();
}

std::string text(const Context& ctx, const toml::table& table, const std::string& path) {
    const toml::node* node = table.get(path.substr(path.find('.') + 1));
    if (!node) ctx.fail(&table, "missing " + path);
    if (!node->is_string()) ctx.fail(node, path + " must be a string");
    return node->as_string()->get();
}

std::optional<std::int64_t> optionalInteger(const Context& ctx, const toml::table& table, const std::string& path,
                                            std::int64_t low, std::int64_t high) {
    const toml::node* node = table.get(path.substr(path.find('.') + 1));
    if (!node) return std::nullopt;
    if (!node->is_integer()) ctx.fail(node, path + " must be an integer");
    std::int64_t value = node->as_integer()->get();
    if (value < low || value > high)
        ctx.fail(node, path + " must be " + std::to_string(low) + " to " + std::to_string(high));
    return value;
}

std::int64_t integer(const Context& ctx, const toml::table& table, const std::string& path, std::int64_t low,
                     std::int64_t high) {
    auto value = optionalInteger(ctx, table, path, low, high);
    if (!value) ctx.fail(&table, "missing " + path);
    return *value;
}

std::pair<std::int32_t, std::int32_t> position(const Context& ctx, const toml::table& table, const std::string& path) {
    const toml::node* node = table.get(path.substr(path.find('.') + 1));
    if (!node) ctx.fail(&table, "missing " + path);
    const toml::array* xy = node->as_array();
    if (!xy || xy->size() != 2 || !(*xy)[0].is_integer() || !(*xy)[1].is_integer())
        ctx.fail(node, path + " must be [x, y] with two integers");
    std::int64_t x = (*xy)[0].as_integer()->get(), y = (*xy)[1].as_integer()->get();
    if (x < 0 || y < 0 || x > 32767 || y > 32767) ctx.fail(node, path + " must lie within 0 to 32767");
    return {static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)};
}

std::filesystem::path pathOf(const Context& ctx, const std::string& value) {
    std::filesystem::path path(value);
    return path.is_absolute() ? path : ctx.folder / path;
}

std::string cp932Of(const Context& ctx, const toml::node* at, const std::string& utf8, const std::string& what) {
    auto converted = cp932::fromUtf8(utf8);
    if (!converted) ctx.fail(at, what + " \"" + utf8 + "\" has a character without a code page 932 form");
    return *converted;
}

void readGame(const Context& ctx, const toml::table& root, Manifest& m) {
    const toml::table& game = tableAt(ctx, root, "game");
    refuseUnknownKeys(ctx, game, "[game]", {"name", "title", "version"});
    m.gameName = cp932Of(ctx, game.get("name"), text(ctx, game, "game.name"), "game.name");
    m.gameTitle = cp932Of(ctx, game.get("title"), text(ctx, game, "game.title"), "game.title");
    if (m.gameName.empty() || m.gameName.size() > 15)
        ctx.fail(game.get("name"), "game.name must be 1 to 15 bytes in code page 932");
    if (m.gameTitle.empty() || m.gameTitle.size() > 49)
        ctx.fail(game.get("title"), "game.title must be 1 to 49 bytes in code page 932 (it has " +
                                        std::to_string(m.gameTitle.size()) + ")");
    if (auto why = unsafeFolderNameReason(m.gameName)) ctx.fail(game.get("name"), "game.name: " + *why);
    if (auto why = unsafeFolderNameReason(m.gameTitle)) ctx.fail(game.get("title"), "game.title: " + *why);
    m.gameVersion = static_cast<std::int32_t>(
        integer(ctx, game, "game.version", std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

void readSetup(const Context& ctx, const toml::table& root, Manifest& m) {
    const toml::node* node = root.get("setup");
    if (!node) return;
    if (!node->is_table()) ctx.fail(node, "setup must be a table");
    const toml::table& setup = *node->as_table();
    refuseUnknownKeys(ctx, setup, "[setup]", {"image", "header_offset"});
    if (setup.get("image")) m.setupImage = pathOf(ctx, text(ctx, setup, "setup.image"));
    if (auto offset = optionalInteger(ctx, setup, "setup.header_offset", 8 + 4, 0x7FFFFFFF))
        m.headerOffset = static_cast<std::uint32_t>(*offset);
}

void readMenu(const Context& ctx, const toml::table& root, Manifest& m) {
    const toml::table& menu = tableAt(ctx, root, "menu");
    refuseUnknownKeys(ctx, menu, "[menu]",
                      {"picture", "buttons", "frame_width", "frame_height", "install_button", "quit_button"});
    m.menuPicture = pathOf(ctx, text(ctx, menu, "menu.picture"));
    m.buttonStrip = pathOf(ctx, text(ctx, menu, "menu.buttons"));
    m.frameWidth = static_cast<int>(optionalInteger(ctx, menu, "menu.frame_width", 1, 4096).value_or(0));
    m.frameHeight = static_cast<int>(optionalInteger(ctx, menu, "menu.frame_height", 1, 4096).value_or(0));
    std::tie(m.installButtonX, m.installButtonY) = position(ctx, menu, "menu.install_button");
    std::tie(m.quitButtonX, m.quitButtonY) = position(ctx, menu, "menu.quit_button");
}

void readFiles(const Context& ctx, const toml::table& root, Manifest& m) {
    const toml::table& files = tableAt(ctx, root, "files");
    refuseUnknownKeys(ctx, files, "[files]", {"folder"});
    m.filesFolder = pathOf(ctx, text(ctx, files, "files.folder"));
}

void readLinks(const Context& ctx, const toml::table& root, Manifest& m) {
    const toml::node* node = root.get("links");
    if (!node) return;
    const toml::array* links = node->as_array();
    if (!links || !links->is_array_of_tables()) ctx.fail(node, "links must be written as [[links]] tables");
    for (const toml::node& entry : *links) {
        const toml::table& link = *entry.as_table();
        refuseUnknownKeys(ctx, link, "[[links]]", {"name", "target"});
        PackageLink out;
        out.name = cp932Of(ctx, &link, text(ctx, link, "links.name"), "links.name");
        out.target = cp932Of(ctx, &link, text(ctx, link, "links.target"), "links.target");
        // Document targets may be written with slashes; the package keeps backslashes.
        if (!out.isUrl()) std::replace(out.target.begin(), out.target.end(), '/', '\\');
        m.links.push_back(std::move(out));
    }
}

}  // namespace

Manifest loadManifest(const std::filesystem::path& path) {
    Context ctx{host::display(path), path.parent_path()};
    toml::table root;
    try {
        root = toml::parse_file(path.string());
    } catch (const toml::parse_error& e) {
        std::string where = ctx.file;
        if (e.source().begin.line) where += ":" + std::to_string(e.source().begin.line);
        throw BadInput(where + ": " + std::string(e.description()));
    }
    refuseUnknownKeys(ctx, root, "the manifest", {"game", "setup", "menu", "files", "links"});
    Manifest m;
    readGame(ctx, root, m);
    readSetup(ctx, root, m);
    readMenu(ctx, root, m);
    readFiles(ctx, root, m);
    readLinks(ctx, root, m);
    return m;
}
