#pragma once

#include "common/native_file.h"
#include "importer.h"

#include <QString>
#include <vector>

namespace gegu {

// The user's own data: the data file in a folder, and the exports it is built from, kept in
// exports/ beside it. New exports join the kept ones and the data file is built again from all
// of them with every report period, so earlier periods stay.
class ExportFolder {
public:
    explicit ExportFolder(NativePath folder) : folder_(std::move(folder)) {}

    NativePath dataFile() const;
    NativePath exportsFolder() const { return folder_ / "exports"; }
    // The exports kept, by name.
    std::vector<NativePath> keptExports() const;

    // Whether a data file stands there that was not built here (one written by gegu-import or
    // copied in): building replaces it, and what it holds that the exports do not is lost.
    bool holdsOtherDataFile() const;

    struct Result {
        enum class Outcome {
            Built,
            ImportFailed, // errors says why
            NoRows,       // the exports hold no holder rows
            WriteFailed,  // writeError says why
        };
        Outcome outcome = Outcome::Built;
        ImportErrors errors;
        QString writeError;
        ImportSummary summary;
        // The names the added exports are kept under.
        QStringList added;
    };
    // Adds the exports to the kept ones (one named as a kept one takes its place, two of one
    // name are both kept) and builds the data file from all of them. Unless it is Built, nothing
    // has changed: neither the kept exports nor the data file.
    Result add(const std::vector<NativePath>& exports) const;

private:
    NativePath builtStamp() const { return exportsFolder() / ".built"; }

    NativePath folder_;
};

} // namespace gegu
