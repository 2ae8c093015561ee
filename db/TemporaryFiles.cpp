#include "TemporaryFiles.h"

#include "Exception.h"
#include "Platform.h"
#include "SupportFiles.h"

namespace WVEK {

namespace {

// The longest support-file extension (".ind"), which temporary names keep room for.
constexpr size_t kSupportExtensionSize = 4;

} // namespace

TFilePath JournalPath(const TFilePath& database) {
    return GetSupportFileName(database, TSupportFile::kJournal);
}

TFilePath TemporaryName(const TFilePath& path) {
    for (long n = 1; n < 1000; ++n) {
        const TFilePath candidate = path.NumberedName(n, true);
        if (!candidate.Exists()) return candidate;
    }
    throw TTolvException(errNoUniqueName);
}

void TemporaryDatabaseNames(const TFilePath& path, TFilePath& database, TFilePath& index) {
    for (long n = 1; n < 1000; ++n) {
        const TFilePath candidate = path.NumberedName(n, true, kSupportExtensionSize);
        const TFilePath candidateIndex = GetSupportFileName(candidate, TSupportFile::kIndex);
        if (!candidate.Exists() && !candidateIndex.Exists()) {
            database = candidate;
            index = candidateIndex;
            return;
        }
    }
    throw TTolvException(errNoUniqueName); // names taken are not ours: they stay unset
}

std::unique_ptr<TJournal> JournalOfTemporaryFiles(const TFilePath& database,
                                                  std::initializer_list<TFilePath> names) {
    auto journal = std::make_unique<TJournal>(JournalPath(database), TJournal::kNoLength,
                                              TJournal::kNoLength);
    for (const TFilePath& name : names)
        journal->AddTemporaryFile(name.GetFileName());
    journal->Sync();
    return journal;
}

void DiscardTemporaryFiles(std::unique_ptr<TJournal>& journal,
                           std::initializer_list<TFilePath> names) {
    for (const TFilePath& name : names)
        if (!name.IsEmpty() && name.Exists()) name.Delete();
    try {
        if (journal) journal->Commit();
    } catch (...) {
        // The journal stays; the next opening deletes what it lists.
    }
}

void ReplaceDatabaseFiles(const TFilePath& from, const TFilePath& fromIndex, const TFilePath& to,
                          const TFilePath& toIndex) {
    if (toIndex.Exists()) ThrowUnless(toIndex.Delete());
    ThrowUnless(Platform::RenameFile(from.GetFullPath(), to.GetFullPath()));
    ThrowUnless(Platform::RenameFile(fromIndex.GetFullPath(), toIndex.GetFullPath()));
    if (int error = Platform::SyncDirectory(to.GetDirectory())) throw TTolvException(uint32_t(error));
}

} // namespace WVEK
