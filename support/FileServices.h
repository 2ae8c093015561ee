#pragma once
// TFileServices: where things live (the directory and extension of each kind of file), which
// files a directory holds, and how much space a volume has free. TMiniFileServices: the tool's
// own implementation, which knows the program's directory and the temporary directory.
//
// The object registers itself in the factory under kFileServicesClassId when it is made and
// leaves it when destroyed; users find it with LookupService<TFileServices>. No operation
// throws on a file-system failure: a failed search gives false or nothing, a failed free-space
// query gives 0.

#include "Factory.h"
#include "FilePath.h"
#include "StringList.h"

#include <cstdint>
#include <string>

class TFileServices : public TFactory {
public:
    // The directory that holds files of `kind`; an empty path when there is none.
    virtual TFilePath GetKindDirectory(int32_t kind) = 0;
    // The extension of files of `kind`, with its dot; empty when there is none.
    virtual std::string GetKindExtension(int16_t kind) = 0;
    // True when `name` ends in `suffix` once its tail is upper-cased: the suffix must be given
    // in upper case. False for an empty suffix or one longer than the name.
    virtual bool HasSuffix(const std::string& suffix, const std::string& name) = 0;
    // Looks at the first entry of directory's directory part that matches the shell pattern;
    // when it is not hidden, `found` becomes its full path and the result is true.
    virtual bool FindFirst(const TFilePath& directory, const std::string& pattern,
                           TFilePath& found) = 0;
    // ListFiles with the extension of `kind` (every visible entry for a kind without one).
    virtual void ListFilesOfKind(const TFilePath& directory, int16_t kind, TStringList& names) = 0;
    // Adds to `names` the name of every visible entry of directory's directory part that ends
    // in `extension` (directories too), in the order the system returns them.
    virtual void ListFiles(const TFilePath& directory, const std::string& extension,
                           TStringList& names) = 0;
    // Bytes available to the caller on the volume of path's directory part; 0xFFFFFFFF when
    // the number needs more than 32 bits, 0 on failure.
    virtual uint32_t GetFreeSpace(const TFilePath& path) = 0;
    // Does nothing.
    virtual void IgnoreRequest(int32_t a, int32_t b, int32_t c) = 0;
    // Empties `first` and `second`.
    virtual void ClearPair(int32_t a, std::string& first, std::string& second) = 0;
};

class TMiniFileServices : public TFileServices {
public:
    // Takes the program directory from the running program's own file and the temporary
    // directory from $TMPDIR (else /tmp), both with a trailing '/', and registers itself.
    TMiniFileServices();

    TFilePath GetKindDirectory(int32_t kind) override;
    std::string GetKindExtension(int16_t kind) override;
    bool HasSuffix(const std::string& suffix, const std::string& name) override;
    bool FindFirst(const TFilePath& directory, const std::string& pattern,
                   TFilePath& found) override;
    void ListFilesOfKind(const TFilePath& directory, int16_t kind, TStringList& names) override;
    void ListFiles(const TFilePath& directory, const std::string& extension,
                   TStringList& names) override;
    uint32_t GetFreeSpace(const TFilePath& path) override;
    void IgnoreRequest(int32_t a, int32_t b, int32_t c) override;
    void ClearPair(int32_t a, std::string& first, std::string& second) override;

private:
    // The seven directories: the program's, five left empty, the temporary one.
    static constexpr int kProgramDirectory = 0;
    static constexpr int kTempDirectory = 6;
    TFilePath fDirectories[7];
};
