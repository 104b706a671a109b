#include "input_text.h"

#include "common/system_memory.h"
#include "csv_reader.h"
#include "holdings/data_file.h"
#include "holdings/runtime_error.h"

using namespace Qt::StringLiterals;

namespace gegu {

InputText::InputText(const NativePath& path, QString name)
    : name_(name.isEmpty() ? displayName(path) : std::move(name)) {
    try {
        const ReadOnlyFile file(path);
        bytes_ = readWholeFile(file, qint64(availableMemory()));
    } catch (const FileError& e) {
        switch (e.problem()) {
        case FileProblem::Changed:
            throw ImportError(name_, 0, {ImportKind::FileChanged});
        case FileProblem::BeingWritten:
            throw ImportError(name_, 0, {ImportKind::FileBeingWritten});
        case FileProblem::TooLarge:
            throw ImportError(name_, 0, {ImportKind::FileTooLarge});
        default:
            throw ImportError(name_, 0, {ImportKind::FileUnreadable, -1, {runtimeError(e).text()}});
        }
    }
}

} // namespace gegu
