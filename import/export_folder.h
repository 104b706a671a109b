#pragma once

#include "common/native_file.h"
#include "importer.h"

#include <QDateTime>
#include <QString>
#include <functional>
#include <vector>

namespace gegu {

// The user's own data: the data file in a folder, and the exports it is built from, kept in
// exports/ beside it. New exports join the kept ones and the data file is built again from all
// of them with every report period, so earlier periods stay.
//
// Kept exports stay whole. New exports and the data file are written in full under hidden
// temporary names that only Gegu uses (.gegu-<n>.part), which are never read as exports; a stamp
// then says which data file was built from which exports (the data file before and after); only
// then are the exports renamed into exports/ and the data file into place. A process killed
// before that leaves everything as it was; one killed between the renames leaves a data file
// whose stamp does not match the kept exports, which is built again at the next drop or start
// (as after an export changed by hand). A file that is replaced first gets a second name
// (.gegu-<n>.earlier, never cleaned up by Gegu), which is what a failure puts back; no failure
// removes the only copy of a kept export. Only one process of Gegu changes the folder at a time.
class ExportFolder {
public:
    explicit ExportFolder(NativePath folder) : folder_(std::move(folder)) {}

    const NativePath& folder() const { return folder_; }
    NativePath dataFile() const;
    NativePath exportsFolder() const { return folder_ / "exports"; }
    // The exports kept, by name: the files of exports/ whose names are not hidden.
    std::vector<NativePath> keptExports() const;

    // How the data file stands to the kept exports, as the stamp written with it says.
    enum class DataFile {
        None,    // there is none
        Current, // built here, from the kept exports as they are
        Stale,   // built here, but the kept exports changed since: to be built again
        Other,   // not built here: one written by gegu-import, or copied in
    };
    DataFile dataFileState() const;
    // Whether a data file stands there that was not built here: building replaces it, and what
    // it holds that the exports do not is lost.
    bool holdsOtherDataFile() const { return dataFileState() == DataFile::Other; }

    struct Result {
        enum class Outcome {
            Built,
            ImportFailed, // errors says why
            NoRows,       // the exports hold no holder rows
            WriteFailed,  // writeError says why; unrestored, what could not be put back
            Busy,         // another process of Gegu is changing the folder
        };
        Outcome outcome = Outcome::Built;
        ImportErrors errors;
        QString writeError;
        ImportSummary summary;
        // The names the added exports are kept under.
        QStringList added;
        // Added exports kept beside a kept one of the same name that holds periods they do not:
        // the name each is kept under, and the kept one's.
        std::vector<std::pair<QString, QString>> keptBeside;
        // Kept exports that an added one of the same name replaced (it holds all their periods).
        QStringList replaced;
        // Kept exports removed (remove()); whether the data file went with the last of them.
        QStringList removed;
        bool dataFileRemoved = false;
        // How many exports the data file was built from.
        qsizetype keptExports = 0;
        // A file that a failed write could not put back as it was: `path` now holds the new
        // version, and the earlier version is at `earlier` (never removed by Gegu).
        struct Unrestored {
            NativePath path;
            NativePath earlier;
            QString reason;
        };
        std::vector<Unrestored> unrestored;
    };
    // An export to add, and the name to keep it under (empty: its own). The window keeps what the
    // user told of an export in the name it is kept under (keptNamePrefix).
    struct NewExport {
        NativePath path;
        NativePath name;
    };
    // Adds the exports to the kept ones and builds the data file from all of them. One named as a
    // kept one takes its place where it holds every period the kept one holds; otherwise it is
    // kept beside it under a name of its own (keptBeside), as two added ones of one name are.
    // Unless it is Built, nothing has changed, neither the kept exports nor the data file, but
    // what `unrestored` names.
    Result add(const std::vector<NativePath>& exports) const;
    Result add(const std::vector<NewExport>& exports) const;
    // Removes the kept exports of these names and builds the data file again from the others; the
    // data file goes with the last of them. As add(), it changes nothing unless it is Built.
    Result remove(const std::vector<NativePath>& names) const;

    // A kept export, read alone: what it holds, and since when it is kept.
    struct KeptExport {
        NativePath name;
        qint64 size = 0;
        QDateTime kept; // when it was written here: when it was dropped
        qsizetype stocks = 0;
        QStringList dates; // its report dates, oldest first
        QString error;     // why it cannot be read alone, where it cannot
    };
    std::vector<KeptExport> describeKept() const;
    // Builds the data file again from the kept exports as they are (see dataFileState()).
    Result rebuild() const { return add(std::vector<NewExport>()); }

    // The steps of add() that change files, in order; tests stop there (and end the process).
    enum class Step {
        FilesWritten, // the new exports and the data file, under temporary names
        StampWritten, // the stamp knows the data file before and after
        ExportsKept,  // the new exports renamed into exports/
        DataFileKept, // the data file renamed into place
    };
    void setStepHook(std::function<void(Step)> hook) { step_ = std::move(hook); }

private:
    NativePath builtStamp() const { return exportsFolder() / ".built"; }
    Result build(const std::vector<NewExport>& exports,
                 const std::vector<NativePath>& removed) const;

    NativePath folder_;
    std::function<void(Step)> step_;
};

} // namespace gegu
