#include "data_workflow.h"

#include "holdings/data_file.h"

#include <new>

namespace gegu {

DataWorkflow::DataWorkflow(std::unique_ptr<DataFileInUse> inUse,
                           std::optional<NativePath> userFolder)
    : inUse_(std::move(inUse)), userFolder_(std::move(userFolder)) {}

ExportFolder DataWorkflow::userFolder() const {
    return ExportFolder(userFolder_ ? *userFolder_ : userDataDirectory());
}

DataWorkflow::Reload DataWorkflow::refresh() {
    Reload result;
    RuntimeError why(ErrorNumber::DeviceIOError);
    result.outcome = inUse_->refresh(&why);
    if (result.outcome == DataFileInUse::Refresh::Failed)
        result.error = why;
    return result;
}

DataWorkflow::Drop DataWorkflow::drop(const std::vector<NativePath>& exports,
                                      const std::function<bool(const NativePath&)>& mayReplace) {
    const ExportFolder folder = userFolder();
    Drop result;
    result.dataFile = folder.dataFile();
    result.exportsFolder = folder.exportsFolder();
    if (folder.holdsOtherDataFile() && !mayReplace(folder.dataFile())) {
        result.outcome = Drop::Outcome::Declined;
        return result;
    }
    result.build = folder.add(exports);
    using Build = ExportFolder::Result::Outcome;
    switch (result.build.outcome) {
    case Build::ImportFailed:
        result.outcome = Drop::Outcome::ImportFailed;
        return result;
    case Build::NoRows:
        result.outcome = Drop::Outcome::NoRows;
        return result;
    case Build::WriteFailed:
        result.outcome = Drop::Outcome::WriteFailed;
        return result;
    case Build::Busy:
        result.outcome = Drop::Outcome::Busy;
        return result;
    case Build::Built:
        break;
    }
    result.answersAtNextStart = dataFileInPlaceOf(folder.dataFile());
    try {
        inUse_ = std::make_unique<DataFileInUse>(folder.dataFile(), inUse_->loadOptions());
    } catch (const RuntimeError& e) {
        result.outcome = Drop::Outcome::LoadFailed;
        result.loadError = e;
    } catch (const std::bad_alloc&) {
        result.outcome = Drop::Outcome::LoadFailed;
        result.loadError = RuntimeError(ErrorNumber::OutOfMemory, displayName(folder.dataFile()));
    }
    return result;
}

std::optional<ExportFolder::Result> DataWorkflow::repair(const NativePath& userFolder) {
    const ExportFolder folder(userFolder);
    if (folder.dataFileState() != ExportFolder::DataFile::Stale)
        return std::nullopt;
    return folder.rebuild();
}

} // namespace gegu
