#include "export_folder.h"

#include "holdings/data_file.h"
#include "input_text.h"
#include "output_file.h"

#include <QIODevice>
#include <QSet>
#include <algorithm>
#include <map>
#include <optional>

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

// How a data file stood when it was built, as a line of text.
QByteArray stampOf(const FileState& state) {
    return QByteArray::number(state.device) + ' ' + QByteArray::number(state.inode) + ' ' +
           QByteArray::number(state.size) + ' ' + QByteArray::number(state.modified) + '\n';
}

bool writeAll(QIODevice& out, const QByteArray& bytes) {
    return out.write(bytes) == bytes.size();
}

// A name that none of `taken` has: "a.csv", then "a (2).csv", "a (3).csv", ...
NativePath freeName(const NativePath& name, const QSet<QString>& taken) {
    if (!taken.contains(displayName(name)))
        return name;
    for (int n = 2;; ++n) {
        NativePath candidate = name.stem();
        candidate += " (" + std::to_string(n) + ")";
        candidate += name.extension();
        if (!taken.contains(displayName(candidate)))
            return candidate;
    }
}

} // namespace

NativePath ExportFolder::dataFile() const {
    return folder_ / nativePath(DataFileName.toString());
}

std::vector<NativePath> ExportFolder::keptExports() const {
    std::vector<NativePath> kept;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(exportsFolder(), error)) {
        std::error_code typeError;
        // Hidden files (the stamp, a file manager's own) are not exports.
        const NativePath name = entry.path().filename();
        if (entry.is_regular_file(typeError) && !displayName(name).startsWith(u'.'))
            kept.push_back(name);
    }
    std::sort(kept.begin(), kept.end());
    return kept;
}

bool ExportFolder::holdsOtherDataFile() const {
    const std::optional<FileState> state = fileStateAt(dataFile());
    if (!state)
        return false;
    try {
        return InputText(builtStamp()).bytes() != stampOf(*state);
    } catch (const ImportError&) {
        return true; // no stamp: not built here
    }
}

ExportFolder::Result ExportFolder::add(const std::vector<NativePath>& exports) const {
    Result result;
    ImportSettings settings;
    settings.history = true;
    Importer importer(settings);

    // The new exports under the names they will be kept by; a kept one of the same name is
    // replaced by it.
    QSet<QString> newNames;
    std::vector<std::pair<NativePath, InputText>> added;
    for (const NativePath& path : exports) {
        const NativePath name = freeName(path.filename(), newNames);
        newNames.insert(displayName(name));
        try {
            added.emplace_back(name, InputText(path, displayName(name)));
            importer.read(added.back().second.text(), added.back().second.name());
        } catch (const ImportError& e) {
            importer.addError(e);
        }
        result.added << displayName(name);
    }
    // The kept ones, read also to put back any that a new one replaces should writing fail.
    std::map<NativePath, QByteArray> replaced;
    for (const NativePath& name : keptExports()) {
        try {
            const InputText kept(exportsFolder() / name, displayName(name));
            if (newNames.contains(displayName(name)))
                replaced.emplace(name, kept.bytes());
            else
                importer.read(kept.text(), kept.name());
        } catch (const ImportError& e) {
            if (!newNames.contains(displayName(name)))
                importer.addError(e);
        }
    }
    importer.finish();
    result.summary = importer.summary();
    if (!importer.errors().empty()) {
        result.outcome = Result::Outcome::ImportFailed;
        result.errors = importer.errors();
        return result;
    }
    if (importer.recordCount() == 0) {
        result.outcome = Result::Outcome::NoRows;
        return result;
    }

    // The exports first, then the data file; if anything fails, the exports as they were.
    std::vector<NativePath> written;
    const auto undo = [&] {
        for (const NativePath& name : written) {
            std::error_code error;
            if (const auto old = replaced.find(name); old != replaced.end()) {
                try {
                    writeOutputFile(exportsFolder() / name, true,
                                    [&](QIODevice& out) { return writeAll(out, old->second); });
                } catch (const OutputError&) {
                }
            } else {
                std::filesystem::remove(exportsFolder() / name, error);
            }
        }
    };
    try {
        for (const auto& [name, text] : added) {
            const QByteArray& bytes = text.bytes(); // Clang 14 captures no structured binding
            writeOutputFile(exportsFolder() / name, true,
                            [&](QIODevice& out) { return writeAll(out, bytes); });
            written.push_back(name);
        }
        writeOutputFile(dataFile(), true, [&](QIODevice& out) { return importer.write(out); });
    } catch (const OutputError& e) {
        undo();
        result.outcome = Result::Outcome::WriteFailed;
        result.writeError = e.text();
        return result;
    }
    // Remembers the data file as built here; without this, the next build asks again.
    if (const std::optional<FileState> state = fileStateAt(dataFile())) {
        try {
            writeOutputFile(builtStamp(), true,
                            [&](QIODevice& out) { return writeAll(out, stampOf(*state)); });
        } catch (const OutputError&) {
        }
    }
    return result;
}

} // namespace gegu
