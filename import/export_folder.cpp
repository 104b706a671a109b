#include "export_folder.h"

#include "holdings/data_file.h"
#include "input_text.h"
#include "output_file.h"
#include "values.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QLockFile>
#include <QSet>
#include <algorithm>
#include <array>
#include <chrono>
#include <map>
#include <optional>

using namespace Qt::StringLiterals;

namespace gegu {

namespace fs = std::filesystem;

namespace {

struct Text {
    Q_DECLARE_TR_FUNCTIONS(ExportFolder)
};

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

// A file name as the system gives it, in bytes: the stamp names exports by them.
QByteArray nameBytes(const NativePath& name) {
#if defined(Q_OS_WIN)
    return QString::fromStdWString(name.native()).toUtf8();
#else
    return QByteArray::fromStdString(name.native());
#endif
}

// Which data file was built from which exports: the stamp's text. A section for each data file:
// its identity (device, inode, size, modification time: what a rename keeps) on a line of four
// fields, then a line of three for each export it was built from, by name: its size,
// modification time and name. While a build is under way the stamp holds two sections, the
// data file's before and after, so that a build cut short at any point is told apart.
using Listing = std::map<QByteArray, std::pair<qint64, qint64>>;
using Identity = std::array<qint64, 4>;
using Stamp = std::vector<std::pair<Identity, Listing>>;

Identity identityOf(const FileState& state) {
    return {qint64(state.device), qint64(state.inode), state.size, state.modified};
}

QByteArray stampText(const Stamp& stamp) {
    QByteArray text;
    for (const auto& [identity, listing] : stamp) {
        text += QByteArray::number(identity[0]) + ' ' + QByteArray::number(identity[1]) + ' ' +
                QByteArray::number(identity[2]) + ' ' + QByteArray::number(identity[3]) + '\n';
        for (const auto& [name, state] : listing)
            text += QByteArray::number(state.first) + ' ' + QByteArray::number(state.second) + ' ' +
                    name.toPercentEncoding() + '\n';
    }
    return text;
}

Stamp readStamp(QByteArrayView text) {
    Stamp stamp;
    for (const QByteArray& line : QByteArray(text.toByteArray()).split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() == 4)
            stamp.push_back({{fields[0].toLongLong(), fields[1].toLongLong(),
                              fields[2].toLongLong(), fields[3].toLongLong()},
                             {}});
        else if (fields.size() == 3 && !stamp.empty())
            stamp.back().second[QByteArray::fromPercentEncoding(fields[2])] = {
                fields[0].toLongLong(), fields[1].toLongLong()};
    }
    return stamp;
}

void listExport(Listing& listing, const NativePath& name, const std::optional<FileState>& state) {
    listing[nameBytes(name)] =
        state ? std::pair(state->size, state->modified) : std::pair<qint64, qint64>(-1, -1);
}

// A second name for a kept file, hidden and never cleaned up by Gegu (.gegu-<n>.earlier): what
// a failure puts back. A link to the same file where the file system has links, else a copy.
// Throws OutputError when neither can be made.
NativePath secondName(const NativePath& path) {
    std::error_code error;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const NativePath earlier = path.parent_path() / ownFileName(".earlier");
        if (fs::exists(earlier, error))
            continue;
        fs::create_hard_link(path, earlier, error);
        if (!error)
            return earlier;
        fs::copy_file(path, earlier, error);
        if (!error)
            return earlier;
        std::error_code ignored;
        fs::remove(earlier, ignored);
        break;
    }
    throw OutputError(OutputProblem::WriteFailed, path,
                      Text::tr("no second copy of it can be kept while it is replaced: %1")
                          .arg(QString::fromLocal8Bit(error.message())));
}

// The records an export gives read alone, every period; nothing when it cannot be read so.
std::optional<std::vector<Importer::Period>> periodsOf(QByteArrayView text, const QString& name) {
    ImportSettings settings;
    settings.history = true;
    Importer importer(settings);
    importer.read(text, name);
    importer.finish();
    if (!importer.errors().empty())
        return std::nullopt;
    return importer.periods();
}

// Whether the new text holds every record that the kept one holds: then it may take its place.
bool holdsEveryPeriod(const InputText& added, const NativePath& kept) {
    try {
        const InputText old(kept, added.name());
        const auto now = periodsOf(added.text(), added.name());
        const auto before = periodsOf(old.text(), old.name());
        if (!now || !before)
            return false;
        std::vector<Importer::Period> a = *now;
        std::vector<Importer::Period> b = *before;
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        return std::includes(a.begin(), a.end(), b.begin(), b.end());
    } catch (const ImportError&) {
        return false;
    }
}

} // namespace

NativePath ExportFolder::dataFile() const {
    return folder_ / nativePath(DataFileName.toString());
}

std::vector<NativePath> ExportFolder::keptExports() const {
    std::vector<NativePath> kept;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(exportsFolder(), error)) {
        std::error_code typeError;
        // Hidden files (the stamp, Gegu's temporary files and second copies, a file manager's
        // own) are not exports.
        const NativePath name = entry.path().filename();
        if (entry.is_regular_file(typeError) && !displayName(name).startsWith(u'.'))
            kept.push_back(name);
    }
    std::sort(kept.begin(), kept.end());
    return kept;
}

namespace {

// The stamp as it stands, and its text; nothing when there is none.
std::pair<Stamp, std::optional<QByteArray>> stampAt(const NativePath& path) {
    try {
        const InputText text(path);
        return {readStamp(text.text()), text.bytes()};
    } catch (const ImportError&) {
        return {};
    }
}

} // namespace

ExportFolder::DataFile ExportFolder::dataFileState() const {
    // Anything but a regular file there is no data file (and building there fails).
    std::error_code error;
    const std::optional<FileState> state = fileStateAt(dataFile());
    if (!state || !fs::is_regular_file(dataFile(), error))
        return DataFile::None;
    Listing now;
    for (const NativePath& name : keptExports())
        listExport(now, name, fileStateAt(exportsFolder() / name));
    bool ours = false;
    for (const auto& [identity, listing] : stampAt(builtStamp()).first) {
        if (identity != identityOf(*state))
            continue;
        if (listing == now)
            return DataFile::Current;
        ours = true;
    }
    // No stamp, or one of another data file: not built here.
    return ours ? DataFile::Stale : DataFile::Other;
}

ExportFolder::Result ExportFolder::add(const std::vector<NativePath>& exports) const {
    std::vector<NewExport> all;
    for (const NativePath& path : exports)
        all.push_back({path, {}});
    return build(all, {});
}

ExportFolder::Result ExportFolder::add(const std::vector<NewExport>& exports) const {
    return build(exports, {});
}

ExportFolder::Result ExportFolder::remove(const std::vector<NativePath>& names) const {
    return build({}, names);
}

ExportFolder::Result ExportFolder::build(const std::vector<NewExport>& exports,
                                         const std::vector<NativePath>& removed) const {
    Result result;
    const auto writeFailed = [&](const QString& why) {
        result.outcome = Result::Outcome::WriteFailed;
        result.writeError = why;
        return result;
    };

    // One process at a time: another one's temporary files are not left overs.
    std::error_code folderError;
    fs::create_directories(exportsFolder(), folderError);
    if (folderError)
        return writeFailed(OutputError(OutputProblem::FolderFailed, exportsFolder(),
                                       QString::fromLocal8Bit(folderError.message()))
                               .text());
    QLockFile lock(displayName(folder_ / ".gegu.lock"));
    if (!lock.tryLock(5000)) {
        result.outcome = Result::Outcome::Busy;
        return result;
    }
    // What a process killed while it wrote here left.
    removeTemporaries(folder_);
    removeTemporaries(exportsFolder());

    ImportSettings settings;
    settings.history = true;
    Importer importer(settings);

    // The new exports under the names they will be kept by. A kept one of the same name is
    // replaced by it where it holds every period the kept one does; else it is kept beside it.
    const std::vector<NativePath> keptNow = keptExports();
    QSet<QString> keptNames;
    for (const NativePath& name : keptNow)
        keptNames.insert(displayName(name));
    QSet<QString> removedNames;
    for (const NativePath& name : removed) {
        removedNames.insert(displayName(name));
        result.removed << displayName(name);
    }
    if (exports.empty() && !removed.empty() &&
        std::all_of(keptNow.begin(), keptNow.end(), [&](const NativePath& name) {
            return removedNames.contains(displayName(name));
        })) {
        // The last kept exports go, and the data file built from them with them.
        const bool ours = dataFileState() != DataFile::Other;
        for (const NativePath& name : keptNow) {
            std::error_code error;
            if (!fs::remove(exportsFolder() / name, error) && error)
                return writeFailed(OutputError(OutputProblem::WriteFailed, exportsFolder() / name,
                                               QString::fromLocal8Bit(error.message()))
                                       .text());
        }
        std::error_code ignored;
        if (ours && fs::remove(dataFile(), ignored))
            result.dataFileRemoved = true;
        fs::remove(builtStamp(), ignored);
        return result;
    }
    QSet<QString> newNames;
    std::vector<std::pair<NativePath, InputText>> added;
    for (const NewExport& e : exports) {
        NativePath name = freeName(e.name.empty() ? e.path.filename() : e.name, newNames);
        try {
            InputText text(e.path, displayName(name));
            if (keptNames.contains(displayName(name)) &&
                !holdsEveryPeriod(text, exportsFolder() / name)) {
                const NativePath own = freeName(name, newNames + keptNames);
                result.keptBeside.emplace_back(displayName(own), displayName(name));
                name = own;
                text = InputText(e.path, displayName(name));
            }
            added.emplace_back(name, std::move(text));
            importer.read(added.back().second.text(), added.back().second.name());
        } catch (const ImportError& error) {
            importer.addError(error);
        }
        newNames.insert(displayName(name));
        result.added << displayName(name);
    }
    // The kept ones that stay, and how they stood when read: the stamp lists them.
    Listing builtFrom;
    std::vector<NativePath> replaced; // by a new one, or removed
    for (const NativePath& name : keptNow) {
        if (newNames.contains(displayName(name)) || removedNames.contains(displayName(name))) {
            replaced.push_back(name);
            if (newNames.contains(displayName(name)))
                result.replaced << displayName(name);
            continue;
        }
        const std::optional<FileState> state = fileStateAt(exportsFolder() / name);
        try {
            const InputText kept(exportsFolder() / name, displayName(name));
            importer.read(kept.text(), kept.name());
            listExport(builtFrom, name, state);
        } catch (const ImportError& e) {
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
    const auto step = [&](Step s) {
        if (step_)
            step_(s);
    };

    // Everything that can fail before a kept file changes: the new exports and the data file,
    // complete and on disk under temporary names, a second name for each file about to be
    // replaced, and a stamp that knows the data file before and after.
    std::vector<std::pair<NativePath, PendingFile>> pending;
    std::optional<PendingFile> data;
    std::map<NativePath, NativePath> earlier; // a file about to be replaced -> its second name
    // The second names go where the file still stands under its own: never the only copy.
    const auto dropSecondNames = [&] {
        for (const auto& [path, second] : earlier) {
            std::error_code ignored;
            if (fs::is_regular_file(path, ignored))
                fs::remove(second, ignored);
        }
    };
    // Clang 14 captures no structured binding: the stamp before, and its text.
    const std::pair<Stamp, std::optional<QByteArray>> previous = stampAt(builtStamp());
    Stamp stamp;
    NativePath dataTarget;
    try {
        for (const auto& [name, text] : added) {
            const QByteArray& bytes = text.bytes(); // Clang 14 captures no structured binding
            pending.emplace_back(name, PendingFile(exportsFolder() / name, [&](QIODevice& out) {
                                     return writeAll(out, bytes);
                                 }));
        }
        dataTarget = outputTarget(dataFile(), true);
        data.emplace(dataTarget, [&](QIODevice& out) { return importer.write(out); });
        step(Step::FilesWritten);
        for (const NativePath& name : replaced)
            earlier[exportsFolder() / name] = secondName(exportsFolder() / name);
        std::error_code missing;
        if (fs::exists(dataTarget, missing))
            earlier[dataTarget] = secondName(dataTarget);
        for (const auto& [name, file] : pending)
            listExport(builtFrom, name, fileStateAt(file.path()));
        const std::optional<FileState> built = fileStateAt(data->path());
        if (!built)
            throw OutputError(OutputProblem::WriteFailed, dataFile());
        stamp.push_back({identityOf(*built), builtFrom});
        Stamp both = stamp;
        both.insert(both.end(), previous.first.begin(), previous.first.end());
        writeOutputFile(builtStamp(), true,
                        [&](QIODevice& out) { return writeAll(out, stampText(both)); });
        step(Step::StampWritten);
    } catch (const OutputError& e) {
        dropSecondNames();
        return writeFailed(e.text());
    }

    // The new exports go in, then the data file; a failure puts back what was, the stamp too.
    std::vector<NativePath> changed;
    const auto undo = [&] {
        for (auto it = changed.rbegin(); it != changed.rend(); ++it) {
            const auto second = earlier.find(*it);
            std::error_code error;
            if (second == earlier.end()) {
                fs::remove(*it, error); // new here: the dropped file stands where it was
                continue;
            }
            fs::rename(second->second, *it, error);
            if (error)
                result.unrestored.push_back(
                    {*it, second->second, QString::fromLocal8Bit(error.message())});
            earlier.erase(second);
        }
        dropSecondNames();
        try {
            if (previous.second)
                writeOutputFile(builtStamp(), true,
                                [&](QIODevice& out) { return writeAll(out, *previous.second); });
            else
                fs::remove(builtStamp());
        } catch (const OutputError&) {
            // The stamp knows both data files: either one counts as built here.
        }
    };
    try {
        for (auto& [name, file] : pending) {
            file.rename();
            changed.push_back(exportsFolder() / name);
        }
        for (const NativePath& name : removed) {
            if (!keptNames.contains(displayName(name)))
                continue;
            std::error_code error;
            fs::remove(exportsFolder() / name, error);
            if (error)
                throw OutputError(OutputProblem::WriteFailed, exportsFolder() / name,
                                  QString::fromLocal8Bit(error.message()));
            changed.push_back(exportsFolder() / name);
        }
        step(Step::ExportsKept);
        data->rename();
        changed.push_back(dataTarget);
        step(Step::DataFileKept);
    } catch (const OutputError& e) {
        undo();
        return writeFailed(e.text());
    }
    // The data file before is gone: the stamp names the one built alone.
    try {
        writeOutputFile(builtStamp(), true,
                        [&](QIODevice& out) { return writeAll(out, stampText(stamp)); });
    } catch (const OutputError&) {
        // Still right: the section of the data file before no longer matches.
    }
    dropSecondNames();
    result.keptExports = qsizetype(builtFrom.size());
    return result;
}

} // namespace gegu

namespace gegu {

std::vector<ExportFolder::KeptExport> ExportFolder::describeKept() const {
    std::vector<KeptExport> all;
    for (const NativePath& name : keptExports()) {
        KeptExport kept;
        kept.name = name;
        const NativePath path = exportsFolder() / name;
        if (const std::optional<FileState> state = fileStateAt(path))
            kept.size = state->size;
        std::error_code error;
        const auto written = fs::last_write_time(path, error);
        if (!error)
            kept.kept = QDateTime::fromSecsSinceEpoch(
                std::chrono::duration_cast<std::chrono::seconds>(
                    std::chrono::file_clock::to_sys(written).time_since_epoch())
                    .count());
        try {
            const InputText text(path, displayName(name));
            ImportSettings settings;
            settings.history = true;
            Importer importer(settings);
            importer.read(text.text(), text.name());
            importer.finish();
            if (!importer.errors().empty()) {
                kept.error = importer.errors().first().front().text();
            } else {
                QSet<int> stocks;
                QSet<int> dates;
                for (const Importer::Period& p : importer.periods()) {
                    stocks.insert(p.code);
                    dates.insert(p.date);
                }
                kept.stocks = stocks.size();
                QList<int> sorted(dates.begin(), dates.end());
                std::sort(sorted.begin(), sorted.end());
                for (const int date : sorted)
                    kept.dates << dateText(date);
            }
        } catch (const ImportError& e) {
            kept.error = e.text();
        }
        all.push_back(std::move(kept));
    }
    return all;
}

} // namespace gegu
