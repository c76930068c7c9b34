#include "install/CopyEngine.h"

#include "install/InstallPaths.h"
#include "install/InstallRecord.h"
#include "install/InstallTexts.h"

#include <algorithm>
#include <cstdio>

namespace {

unsigned share(std::uint64_t part, std::uint64_t whole) {
    if (whole == 0) return 100;
    return static_cast<unsigned>(std::min<std::uint64_t>(100, part >= whole ? 100 : part * 100 / whole));
}

bool readExact(fsys::File& file, void* buffer, std::size_t n) { return file.read(buffer, n) == n; }

bool readU32(fsys::File& file, std::uint32_t& value) {
    std::uint8_t b[4];
    if (!readExact(file, b, 4)) return false;
    value = b[0] | (b[1] << 8) | (b[2] << 16) | (std::uint32_t(b[3]) << 24);
    return true;
}

bool readText(fsys::File& file, std::string& text) {
    std::uint8_t length = 0;
    if (!readExact(file, &length, 1)) return false;
    text.assign(length, '\0');
    return readExact(file, text.data(), length);
}

// Names are kept in NUL-terminated buffers by every reader of the format.
void cutAtNul(std::string& text) {
    std::size_t nul = text.find('\0');
    if (nul != std::string::npos) text.resize(nul);
}

void fail(CopyJob& job, FileStep step, const std::string& path) {
    reportFileStep(job.reporter, step, path);
    job.aborted = true;
}

void failBroken(CopyJob& job) {
    reportBrokenPackage(job.reporter);
    job.aborted = true;
}

bool acceptableName(const std::string& name, const std::string& gameName) {
    return !name.empty() && name.find('\0') == std::string::npos && !unsafeNameReason(name) &&
           !installpath::isEngineFileName(name, gameName);
}

void copyData(CopyJob& job, fsys::File& out, std::uint32_t size, std::vector<std::uint8_t>& buffer,
              const std::string& path) {
    std::uint64_t remaining = size, done = 0;
    while (remaining != 0 && !job.aborted) {
        std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(remaining, buffer.size()));
        std::size_t n = job.package.read(buffer.data(), chunk);
        if (n != 0 && out.write(buffer.data(), n) != n) {
            fail(job, FileStep::diskFull, path);
            return;
        }
        done += n;
        job.copiedBytes += n;
        job.observer.fileProgress(filePercent(done, size));
        job.observer.totalProgress(totalPercent(job.copiedBytes, job.totalInstallSize));
        // The package ends before the file does: without this the copy would wait forever.
        if (n < chunk) {
            failBroken(job);
            return;
        }
        remaining -= n;
        if (job.observer.cancelRequested()) {
            job.cancelled = true;
            job.aborted = true;
        }
    }
}

void copyOneFile(CopyJob& job, std::vector<std::uint8_t>& buffer) {
    std::string stored;
    std::uint32_t size = 0;
    if (!readText(job.package, stored) || !readU32(job.package, size)) return failBroken(job);
    std::string name = unscrambleName(stored);
    std::string path = job.journal.folder + name;
    if (!acceptableName(name, job.journal.gameName)) return fail(job, FileStep::cannotCreate, path);
    if (!installpath::fits(path)) return fail(job, FileStep::pathTooLong, path);

    FileStep step = makeFoldersFor(job.journal, name);
    if (step == FileStep::ok) step = prepareToWrite(job.journal, name, false);
    // Listed before the file exists: a process killed at any later moment leaves no file
    // the removal does not know of.
    if (step == FileStep::ok && !appendRecordEntry(job.installRecord, name)) step = FileStep::diskFull;
    if (step != FileStep::ok) return fail(job, step, path);

    fsys::File out = fsys::openWrite(path);
    if (!out) return fail(job, FileStep::cannotCreate, path);
    withoutStreamBuffer(out);
    job.observer.beginFile(path);
    copyData(job, out, size, buffer, path);
    if (!out.close() && !job.aborted) fail(job, FileStep::diskFull, path);
}

}  // namespace

void withoutStreamBuffer(fsys::File& file) {
    if (file) std::setvbuf(file.get(), nullptr, _IONBF, 0);
}

unsigned filePercent(std::uint64_t done, std::uint64_t size) {
    std::uint64_t divisor = size / 100;
    if (divisor == 0) return share(done, size);
    return static_cast<unsigned>(std::min<std::uint64_t>(100, done / divisor));
}

unsigned totalPercent(std::uint64_t copiedBytes, std::uint64_t totalInstallSize) {
    std::uint64_t divisor = (totalInstallSize >> 10) / 100;
    if (divisor == 0) return share(copiedBytes, totalInstallSize);
    return static_cast<unsigned>(std::min<std::uint64_t>(100, (copiedBytes >> 10) / divisor));
}

void reportFileStep(MessageReporter& reporter, FileStep step, const std::string& path) {
    switch (step) {
    case FileStep::ok:
        return;
    case FileStep::cannotCreate:
        return reporter.showMessage(texts::kCannotCreate, texts::kCaptionInstall);
    case FileStep::diskFull:
        return reporter.showMessage(texts::kDiskFull, texts::kCaptionInstall);
    case FileStep::pathTooLong:
        return reporter.showMessage(std::string(texts::kPathTooLong) + "\n" + path, texts::kCaptionInstall);
    }
}

void reportBrokenPackage(MessageReporter& reporter) {
    reporter.showMessage(texts::kPackageBroken, texts::kCaptionInstall);
}

void copyPackageFiles(CopyJob& job, std::uint64_t tableOffset) {
    std::uint32_t count = 0;
    job.package.seek(static_cast<std::int64_t>(tableOffset), SEEK_SET);
    if (job.package.position() != static_cast<std::int64_t>(tableOffset) || !readU32(job.package, count))
        return failBroken(job);
    std::vector<std::uint8_t> buffer(kCopyChunkSize);
    auto files = static_cast<std::int32_t>(count);
    for (std::int32_t i = 0; i < files && !job.aborted; ++i) copyOneFile(job, buffer);
}

std::vector<PackageLink> readLinkTable(CopyJob& job) {
    std::vector<PackageLink> links;
    std::uint8_t count = 0;
    // A package that ends right after its last file has no links.
    if (job.aborted || !readExact(job.package, &count, 1)) return links;
    for (unsigned i = 0; i < count; ++i) {
        PackageLink link;
        if (!readText(job.package, link.name) || !readText(job.package, link.target)) {
            failBroken(job);
            return {};
        }
        cutAtNul(link.name);
        cutAtNul(link.target);
        links.push_back(std::move(link));
    }
    return links;
}
