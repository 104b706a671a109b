#pragma once

// Writes a data file safely: only a regular file or a new name is written, an existing file is
// replaced only when asked to, and a file appears whole or not at all. Paths stay the system's
// own bytes from the caller to the system call.

#include "common/native_file.h"

#include <QString>
#include <exception>
#include <functional>
#include <string>
#include <string_view>

class QIODevice;

namespace gegu {

enum class OutputProblem {
    NoFileName, // the path names a folder (out/, ., ..): a file name is needed
    IsFolder,
    NotRegular,   // a device, a FIFO, a socket, a link that leads nowhere or in a loop
    Exists,       // a file stands there, and may not be replaced
    ReadOnly,     // a read-only file stands there: replacing it is not asked, also not by force
    FolderFailed, // a missing folder cannot be made
    WriteFailed,
};

class OutputError : public std::exception {
public:
    OutputError(OutputProblem problem, NativePath path, QString reason = {})
        : problem_(problem), path_(std::move(path)), reason_(std::move(reason)) {}
    OutputProblem problem() const { return problem_; }
    const NativePath& path() const { return path_; }
    // What went wrong, for people: "gegusj.rar exists", "out.rar cannot be written: No space
    // left on device", ...
    QString text() const;
    const char* what() const noexcept override { return "output error"; }

private:
    OutputProblem problem_;
    NativePath path_;
    QString reason_; // the system's words, where it gave any
};

// Where a data file written to `path` goes: the path, or the regular file that a link there
// leads to. Throws OutputError when it cannot be written: the path names no file (out/), a
// folder or anything else that is not a regular file stands there, a file stands there and
// replace is not set, a read-only file stands there (its owner may not write it: Windows'
// read-only attribute), or a file stands where a missing folder would have to be made.
NativePath outputTarget(const NativePath& path, bool replace);

// The names of the files that writeOutputFile writes before it renames them into place: hidden,
// and only Gegu's (.gegu-<n>.part).
inline constexpr std::string_view temporaryPrefix = "gegu-";
inline constexpr std::string_view temporarySuffix = ".part";
// Whether the name (of a file in any folder) is such a temporary name.
bool isTemporaryName(const NativePath& name);
// A new hidden name of Gegu's own: ".gegu-", a random number, then suffix.
std::string ownFileName(std::string_view suffix);
// Removes every file of the folder whose name is a temporary name of Gegu's: what a process that
// was killed while it wrote left. Only where no other process of Gegu can be writing.
void removeTemporaries(const NativePath& folder);

// Writes the file at `path` (see outputTarget): makes the missing folders, has `write` fill a
// new file in the target's folder under a temporary name, and renames that into place once it is
// complete and on disk.
// Without replace, a file that stands at the target, also one that appeared while the new one
// was written, is never replaced. Throws OutputError (WriteFailed when `write` returns false);
// the new file is removed again on any failure.
void writeOutputFile(const NativePath& path, bool replace,
                     const std::function<bool(QIODevice&)>& write);

// A complete file, on disk, under a temporary name beside its target (with the permissions of the
// file there), waiting to be renamed into place; removed when destroyed unless it was. The target
// is taken as it is: see outputTarget.
class PendingFile {
public:
    // Has `write` fill the file. Throws OutputError naming the target when it cannot be written.
    PendingFile(const NativePath& target, const std::function<bool(QIODevice&)>& write);
    ~PendingFile();
    PendingFile(PendingFile&& other) noexcept;
    PendingFile& operator=(PendingFile&&) = delete;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    const NativePath& path() const { return path_; }
    // Renames it to its target, replacing what stands there. Throws OutputError.
    void rename();

private:
    NativePath path_;
    NativePath target_;
    bool renamed_ = false;
};

} // namespace gegu
