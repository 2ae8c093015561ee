#include "TemporaryFiles.h"

#include "Exception.h"
#include "Platform.h"
#include "SupportFiles.h"

namespace WVEK {

namespace {

// The longest support-file extension (".ind"), which numbered names keep room for.
constexpr size_t kSupportExtensionSize = 4;

void Rename(const TFilePath& from, const TFilePath& to) {
    ThrowUnless(Platform::RenameFile(from.GetFullPath(), to.GetFullPath()));
}

// Gives `file` the second name `backup`, when it exists.
void Link(const TFilePath& file, const TFilePath& backup) {
    if (file.Exists()) ThrowUnless(Platform::LinkFile(file.GetFullPath(), backup.GetFullPath()));
}

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

// Two numbers n: one names the new files, the other the backups; each is free for the
// database's name and its support files' names alike.
TReplacement::TReplacement(const TFilePath& path, bool dropsAge)
    : target(path), targetIndex(GetSupportFileName(path, TSupportFile::kIndex)),
      targetAge(GetSupportFileName(path, TSupportFile::kAge)), dropsAge(dropsAge) {
    TFilePath* names[2][3] = {{&database, &index, nullptr}, {&oldDatabase, &oldIndex, &oldAge}};
    int found = 0;
    for (long n = 1; n < 1000 && found < 2; ++n) {
        const TFilePath numbered = path.NumberedName(n, true, kSupportExtensionSize);
        const TFilePath set[3] = {numbered, GetSupportFileName(numbered, TSupportFile::kIndex),
                                  GetSupportFileName(numbered, TSupportFile::kAge)};
        if (set[0].Exists() || set[1].Exists() || set[2].Exists()) continue;
        for (int i = 0; i < 3; ++i)
            if (names[found][i]) *names[found][i] = set[i];
        ++found;
    }
    if (found < 2) throw TTolvException(errNoUniqueName);
}

std::unique_ptr<TJournal> TReplacement::Journal() const {
    auto journal =
        std::make_unique<TJournal>(JournalPath(target), TJournal::kNoLength, TJournal::kNoLength);
    journal->AddTemporaryFile(database.GetFileName());
    journal->AddTemporaryFile(index.GetFileName());
    auto backup = [&](const TFilePath& old, const TFilePath& name) {
        journal->AddBackup(name.Exists() ? old.GetFileName() : std::string(), name.GetFileName());
    };
    backup(oldDatabase, target);
    backup(oldIndex, targetIndex);
    if (dropsAge && targetAge.Exists()) backup(oldAge, targetAge);
    journal->Sync();
    return journal;
}

void TReplacement::Switch() const {
    Link(target, oldDatabase);
    Link(targetIndex, oldIndex);
    if (dropsAge && targetAge.Exists()) Rename(targetAge, oldAge);
    if (targetIndex.Exists()) ThrowUnless(targetIndex.Delete());
    Rename(database, target);
    Rename(index, targetIndex);
    if (int error = Platform::SyncDirectory(target.GetDirectory()))
        throw TTolvException(uint32_t(error));
}

} // namespace WVEK
