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
        QString why;
        switch (e.problem()) {
        case FileProblem::Changed:
            why = u"changed while it was read"_s;
            break;
        case FileProblem::BeingWritten:
            why = u"another program is writing it"_s;
            break;
        case FileProblem::TooLarge:
            why = u"too large for the memory available"_s;
            break;
        default:
            why = runtimeError(e).text();
        }
        throw ImportError{name_, 0, u"cannot be read: "_s + why};
    }
}

} // namespace gegu
