#pragma once
// Path texts of the entry and the package chooser. Portable: no Windows headers.
#include <string>
#include <string_view>

// The command line less one pair of double quotes: the text after the first quote with its
// last character removed; without a quote, the whole line unchanged.
template <typename Char>
std::basic_string_view<Char> packagePathText(std::basic_string_view<Char> commandLine) {
    const std::size_t quote = commandLine.find(Char('"'));
    if (quote == std::basic_string_view<Char>::npos) return commandLine;
    std::basic_string_view<Char> rest = commandLine.substr(quote + 1);
    if (!rest.empty()) rest.remove_suffix(1);
    return rest;
}

struct PathParts {
    std::string folder;     // drive and folder, up to and including the last separator
    std::string name;       // the rest up to its last dot
    std::string extension;  // from that dot, dot included; empty without a dot
};

// Scans by cp932 characters: the second byte of a double-byte character is never taken for
// a separator or a dot.
PathParts splitPath(std::string_view path);
