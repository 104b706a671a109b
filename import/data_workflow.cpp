#include "data_workflow.h"

#include "holdings/data_file.h"

#include <QStringList>
#include <algorithm>
#include <new>

using namespace Qt::StringLiterals;

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
    std::vector<ExportFolder::NewExport> all;
    for (const NativePath& path : exports)
        all.push_back({path, {}});
    return drop(all, mayReplace);
}

DataWorkflow::Drop DataWorkflow::drop(const std::vector<ExportFolder::NewExport>& exports,
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
    answerFrom(result, folder);
    return result;
}

DataWorkflow::Drop DataWorkflow::remove(const std::vector<NativePath>& names) {
    const ExportFolder folder = userFolder();
    Drop result;
    result.dataFile = folder.dataFile();
    result.exportsFolder = folder.exportsFolder();
    result.build = folder.remove(names);
    answerFrom(result, folder);
    return result;
}

void DataWorkflow::answerFrom(Drop& result, const ExportFolder& folder) {
    using Build = ExportFolder::Result::Outcome;
    switch (result.build.outcome) {
    case Build::ImportFailed:
        result.outcome = Drop::Outcome::ImportFailed;
        return;
    case Build::NoRows:
        result.outcome = Drop::Outcome::NoRows;
        return;
    case Build::WriteFailed:
        result.outcome = Drop::Outcome::WriteFailed;
        return;
    case Build::Busy:
        result.outcome = Drop::Outcome::Busy;
        return;
    case Build::Built:
        break;
    }
    try {
        if (result.build.dataFileRemoved) {
            result.dataFile = findDataFile();
        } else {
            result.answersAtNextStart = dataFileInPlaceOf(folder.dataFile());
        }
        inUse_ = std::make_unique<DataFileInUse>(result.dataFile, inUse_->loadOptions());
    } catch (const RuntimeError& e) {
        result.outcome = Drop::Outcome::LoadFailed;
        result.loadError = e;
    } catch (const std::bad_alloc&) {
        result.outcome = Drop::Outcome::LoadFailed;
        result.loadError = RuntimeError(ErrorNumber::OutOfMemory, displayName(result.dataFile));
    }
}

std::vector<NativePath> DataWorkflow::exportsIn(const std::vector<NativePath>& dropped,
                                                QStringList& passedOver) {
    namespace fs = std::filesystem;
    static const QStringList readable = {u"csv"_s, u"txt"_s, u"tsv"_s, u"xls"_s, u"xlsx"_s};
    std::vector<NativePath> exports;
    for (const NativePath& path : dropped) {
        std::error_code error;
        if (!fs::is_directory(path, error)) {
            exports.push_back(path);
            continue;
        }
        std::vector<NativePath> inside;
        for (auto it = fs::recursive_directory_iterator(
                 path, fs::directory_options::skip_permission_denied, error);
             !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
            const QString name = displayName(it->path().filename());
            std::error_code typeError;
            if (name.startsWith(u'.')) {
                if (it->is_directory(typeError))
                    it.disable_recursion_pending();
                continue;
            }
            if (!it->is_regular_file(typeError))
                continue;
            const QString extension = displayName(it->path().extension()).mid(1).toLower();
            if (readable.contains(extension))
                inside.push_back(it->path());
            else
                passedOver << displayName(it->path());
        }
        std::sort(inside.begin(), inside.end());
        exports.insert(exports.end(), inside.begin(), inside.end());
    }
    return exports;
}

std::optional<ExportFolder::Result> DataWorkflow::repair(const NativePath& userFolder) {
    const ExportFolder folder(userFolder);
    if (folder.dataFileState() != ExportFolder::DataFile::Stale)
        return std::nullopt;
    return folder.rebuild();
}

} // namespace gegu
