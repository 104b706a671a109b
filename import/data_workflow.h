#pragma once

#include "export_folder.h"
#include "holdings/runtime_error.h"
#include "queries/loaded_holdings.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace gegu {

// What the window does with its data, without the window: it answers from the data file in use,
// loads it again when it changes on disk, and takes exports dropped onto it into the user's kept
// exports, building the user's data file again from all of them and answering from that. Its
// results say what happened and give the details; the window puts them into words.
class DataWorkflow {
public:
    // Answers from the data loaded; drops go to the user's data folder: the one given, else
    // userDataDirectory() as it is at the drop.
    explicit DataWorkflow(std::unique_ptr<DataFileInUse> inUse,
                          std::optional<NativePath> userFolder = std::nullopt);

    const std::shared_ptr<LoadedHoldings>& current() const { return inUse_->current(); }
    DataFileInUse& inUse() { return *inUse_; }
    ExportFolder userFolder() const;

    struct Reload {
        DataFileInUse::Refresh outcome = DataFileInUse::Refresh::Unchanged;
        std::optional<RuntimeError> error; // why it Failed
    };
    // Before a query: the data file loaded again if it changed on disk (see DataFileInUse).
    Reload refresh();

    struct Drop {
        enum class Outcome {
            Built,        // kept, built, and answering from the user's data file now
            Declined,     // a data file not built from kept exports stays: nothing changed
            ImportFailed, // the exports cannot be read (build.errors): nothing changed
            NoRows,       // the exports hold no holder rows: nothing changed
            WriteFailed,  // build.writeError; nothing changed but what build.unrestored names
            Busy,         // another Gegu is changing the user's data folder: nothing changed
            LoadFailed,   // kept and built, but the data file built does not load (loadError):
                          // the data answering before answers on
        };
        Outcome outcome = Outcome::Built;
        ExportFolder::Result build;
        std::optional<RuntimeError> loadError;
        // The data file built, and where the exports are kept.
        NativePath dataFile;
        NativePath exportsFolder;
        // The file that answers in place of the one built when Gegu starts next (one earlier in
        // the search for the data file, such as gegusj.rar in the current folder): until it is
        // removed or renamed, the user's data file answers only in this session.
        std::optional<NativePath> answersAtNextStart;
    };
    // Adds the exports to the user's kept ones and answers from the data file built from all of
    // them (ExportFolder::add). Before it replaces a data file that was not built from kept
    // exports, asks mayReplace (with that file); false leaves everything as it was.
    Drop drop(const std::vector<NativePath>& exports,
              const std::function<bool(const NativePath& dataFile)>& mayReplace);
    // The same, with the names to keep exports under (ExportFolder::NewExport).
    Drop drop(const std::vector<ExportFolder::NewExport>& exports,
              const std::function<bool(const NativePath& dataFile)>& mayReplace);
    // Removes kept exports at the user's word and answers from the data file built from the
    // others; where none is left, from the data file Gegu finds without it (findDataFile).
    Drop remove(const std::vector<NativePath>& names);

    // The exports a drop of these files and folders brings: the files, and in a folder and its
    // subfolders every file whose name ends .csv, .txt, .tsv, .xls or .xlsx (the last two to be
    // refused with a word on saving them as text), in name order. Other files of a folder are
    // not read: `passedOver` names them.
    static std::vector<NativePath> exportsIn(const std::vector<NativePath>& dropped,
                                             QStringList& passedOver);

    // At start: builds the user's data file again when the kept exports changed since it was
    // built (a drop cut short, an export changed by hand); nullopt when nothing was to be done.
    static std::optional<ExportFolder::Result> repair(const NativePath& userFolder);

private:
    // Answers from the data file that `result` built (or, with none, from the one Gegu finds).
    void answerFrom(Drop& result, const ExportFolder& folder);

    std::unique_ptr<DataFileInUse> inUse_;
    std::optional<NativePath> userFolder_;
};

} // namespace gegu
