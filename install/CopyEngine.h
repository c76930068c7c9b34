#pragma once
// The copy engine: extracts every file of the Package File Table into the game folder,
// lists each one in the Install Record before its data is written, moves the two progress
// bars, and reads the Package Link Table that follows the last file.
#include "install/InstallEngine.h"
#include "install/InstallJournal.h"
#include "package/FileSystem.h"
#include "package/PackageFormat.h"
#include "package/Reporter.h"

#include <cstdint>
#include <string>
#include <vector>

constexpr std::size_t kCopyChunkSize = 32768;

struct CopyJob {
    fsys::File& package;
    fsys::File& installRecord;
    InstallJournal& journal;          // knows the game folder
    InstallObserver& observer;
    MessageReporter& reporter;
    std::uint64_t totalInstallSize = 0;
    std::uint64_t copiedBytes = 0;
    bool aborted = false;             // set by Cancel and by every error
    bool cancelled = false;
};

// Lets every read and write of a stream go straight to the system. The copy moves whole
// 32 KB chunks, which a 4 KB stream buffer out of step with the file would split in two
// system calls and one more copy each. Call it before the first read or write.
void withoutStreamBuffer(fsys::File& file);

// Copies the files of the table at `tableOffset`; on return the package position is just
// past the last file read. Errors are shown through the reporter and set `aborted`.
void copyPackageFiles(CopyJob& job, std::uint64_t tableOffset);
// Reads the link table at the current package position; nothing once the job is aborted.
std::vector<PackageLink> readLinkTable(CopyJob& job);

// Bar positions 0..100. The file bar is done / (size / 100), the total bar
// (copied / 1024) / (totalKB / 100); where that divisor is 0 the exact share is shown.
unsigned filePercent(std::uint64_t done, std::uint64_t size);
unsigned totalPercent(std::uint64_t copiedBytes, std::uint64_t totalInstallSize);

// Shows the message that belongs to a failed file step ("Install" caption).
void reportFileStep(MessageReporter& reporter, FileStep step, const std::string& path);
void reportBrokenPackage(MessageReporter& reporter);
