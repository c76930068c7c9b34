#include "install/InstallJournal.h"

#include "install/InstallPaths.h"
#include "install/InstallRecord.h"
#include "package/PackageFormat.h"

#include <algorithm>

namespace {

struct JournalEntry {
    char kind = 0;
    std::string name, backup;
};

bool appendEntries(InstallJournal& journal, const std::string& bytes) {
    return journal.file.write(bytes.data(), bytes.size()) == bytes.size() && journal.file.flush();
}

bool appendEntry(InstallJournal& journal, char kind, const std::string& name) {
    std::string bytes(1, kind);
    bytes += name;
    bytes += '\0';
    return appendEntries(journal, bytes);
}

bool isSafeName(const std::string& name) { return !name.empty() && !unsafeNameReason(name); }

// A set-aside copy is always "<name>.instbak" or "<name>.instbakN" beside the file, so a
// journal that names anything else was not written by this engine and is not followed.
bool isBackupOf(const std::string& backup, const std::string& name) {
    std::string marker = installpath::kBackupMarker;
    if (!isSafeName(backup) || backup.size() < name.size() + marker.size()) return false;
    if (backup.compare(0, name.size(), name) != 0 || backup.compare(name.size(), marker.size(), marker) != 0)
        return false;
    return std::all_of(backup.begin() + std::ptrdiff_t(name.size() + marker.size()), backup.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<JournalEntry> readJournal(const std::string& path) {
    std::vector<JournalEntry> entries;
    fsys::File file = fsys::openRead(path);
    if (!file) return entries;
    NulListReader reader(file);
    std::string text;
    while (reader.next(text)) {
        if (text.empty()) continue;
        JournalEntry entry{text[0], text.substr(1), {}};
        if (entry.kind == 'B' && !reader.next(entry.backup)) break;
        bool valid = (entry.kind == 'C' && entry.name.empty()) || (entry.kind == 'D' && entry.name.empty()) ||
                     ((entry.kind == 'D' || entry.kind == 'N') && isSafeName(entry.name)) ||
                     (entry.kind == 'B' && isSafeName(entry.name) && isBackupOf(entry.backup, entry.name));
        if (valid) entries.push_back(std::move(entry));
    }
    return entries;
}

void finishCommit(const std::string& folder, const std::vector<JournalEntry>& entries, const std::string& journalPath) {
    for (const auto& entry : entries)
        if (entry.kind == 'B') fsys::removeFile(folder + entry.backup);
    fsys::removeFile(journalPath);
}

void undoInstall(const std::string& folder, const std::string& gameName, const std::vector<JournalEntry>& entries,
                 const std::string& journalPath) {
    std::set<std::string> setAside;
    for (const auto& entry : entries)
        if (entry.kind == 'B') setAside.insert(installpath::folded(entry.name));

    // Listed files that did not exist before are this install's own.
    std::string recordName = installpath::recordName(gameName);
    if (fsys::File record = fsys::openRead(folder + recordName)) {
        NulListReader reader(record);
        std::string name;
        while (reader.next(name))
            if (isSafeName(name) && !installpath::isEngineFileName(name, gameName) &&
                !setAside.count(installpath::folded(name)))
                fsys::removeFile(folder + name);
    }
    for (const auto& entry : entries)
        if (entry.kind == 'N') fsys::removeFile(folder + entry.name);
    if (!setAside.count(installpath::folded(recordName))) fsys::removeFile(folder + recordName);

    // Put the originals back, over whatever this install wrote under their names.
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        if (it->kind == 'B' && fsys::exists(folder + it->backup)) fsys::replaceFile(folder + it->backup, folder + it->name);

    bool madeGameFolder = false;
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        if (it->kind != 'D') continue;
        if (it->name.empty())
            madeGameFolder = true;
        else
            fsys::removeDirectory(folder + it->name);
    }
    fsys::removeFile(journalPath);
    if (madeGameFolder) fsys::removeDirectory(folder);
}

}  // namespace

FileStep openJournal(InstallJournal& journal, const std::string& folder, const std::string& gameName,
                     bool createdFolder) {
    journal.folder = folder;
    journal.gameName = gameName;
    std::string path = folder + installpath::journalName(gameName);
    if (!installpath::fits(path)) return FileStep::pathTooLong;
    journal.file = fsys::openWrite(path);
    if (!journal.file) return FileStep::cannotCreate;
    if (createdFolder && !appendEntry(journal, 'D', "")) return FileStep::diskFull;
    return FileStep::ok;
}

FileStep makeFoldersFor(InstallJournal& journal, const std::string& name) {
    for (const auto& prefix : installpath::folderPrefixes(name)) {
        std::string path = journal.folder + prefix;
        if (fsys::exists(path)) continue;
        if (!appendEntry(journal, 'D', prefix)) return FileStep::diskFull;
        fsys::makeDirectory(path);
    }
    return FileStep::ok;
}

FileStep prepareToWrite(InstallJournal& journal, const std::string& name, bool journalIfNew) {
    std::string key = installpath::folded(name);
    if (journal.writtenNames.count(key)) return FileStep::ok;
    std::string path = journal.folder + name;
    if (!installpath::fits(path)) return FileStep::pathTooLong;
    if (fsys::isDirectory(path)) return FileStep::cannotCreate;
    if (fsys::exists(path)) {
        std::string backup;
        for (int n = 0; n < 100 && backup.empty(); ++n) {
            std::string candidate = name + installpath::kBackupMarker + (n ? std::to_string(n) : "");
            if (!fsys::exists(journal.folder + candidate)) backup = candidate;
        }
        if (backup.empty()) return FileStep::cannotCreate;
        if (!installpath::fits(journal.folder + backup)) return FileStep::pathTooLong;
        if (!appendEntries(journal, "B" + name + '\0' + backup + '\0')) return FileStep::diskFull;
        if (!fsys::replaceFile(path, journal.folder + backup)) return FileStep::cannotCreate;
        journal.backupNames.push_back(backup);
    } else if (journalIfNew) {
        if (!appendEntry(journal, 'N', name)) return FileStep::diskFull;
    }
    journal.writtenNames.insert(key);
    return FileStep::ok;
}

bool commitInstall(InstallJournal& journal) {
    std::string path = journal.folder + installpath::journalName(journal.gameName);
    bool marked = appendEntry(journal, 'C', "");
    journal.file.close();
    // Without the mark, deleting the journal is what makes the install final.
    if (!marked && !fsys::removeFile(path)) return false;
    for (const auto& backup : journal.backupNames) fsys::removeFile(journal.folder + backup);
    fsys::removeFile(path);
    return true;
}

void recoverUnfinishedInstall(const std::string& folder, const std::string& gameName) {
    std::string journalPath = folder + installpath::journalName(gameName);
    if (!fsys::exists(journalPath)) return;
    std::vector<JournalEntry> entries = readJournal(journalPath);
    bool complete = std::any_of(entries.begin(), entries.end(), [](const JournalEntry& e) { return e.kind == 'C'; });
    if (complete)
        finishCommit(folder, entries, journalPath);
    else
        undoInstall(folder, gameName, entries, journalPath);
}
