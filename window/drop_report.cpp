#include "drop_report.h"

#include "import_words.h"
#include "startup.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

// The words of the window on a drop.
struct Text {
    Q_DECLARE_TR_FUNCTIONS(DropReport)
};

QString absolutePath(const NativePath& p) {
    return displayName(std::filesystem::absolute(p));
}

DropReport failure(QString text, QString changed, QStringList details) {
    return {DropReport::Kind::Failure, std::move(text), std::move(changed), std::move(details)};
}

// The summary of a drop that built the data file, a line each.
QStringList summary(const DataWorkflow::Drop& drop, const DataInfo& info,
                    const QStringList& passedOver, const QStringList& removed) {
    QStringList lines;
    const QString list = Text::tr(", ");
    if (!removed.isEmpty())
        lines << Text::tr("Deleted: %1").arg(removed.join(list));
    if (!drop.build.added.isEmpty())
        lines << Text::tr("Imported: %1").arg(drop.build.added.join(list));
    for (const auto& [kept, beside] : drop.build.keptBeside)
        lines << Text::tr("%1 is kept beside %2, imported before: that one holds report periods "
                          "this one does not.")
                     .arg(kept, beside);
    for (const QString& name : drop.build.replaced)
        lines << Text::tr("%1 takes the place of the file of that name imported before: it holds "
                          "every report period that one held.")
                     .arg(name);
    if (!passedOver.isEmpty())
        lines << Text::tr("Not read: %1 (only CSV and text files are imported).")
                     .arg(passedOver.join(list));
    // What the files just dropped did not say themselves: taken from their names, or assumed.
    for (const ImportMessage& note : drop.build.summary.titles) {
        if (drop.build.added.contains(note.file) && note.kind() != ImportKind::TitleRead)
            lines << windowText(note);
    }
    lines << Text::tr("Data file: %1").arg(absolutePath(info.path));
    if (info.oldestDate.isEmpty())
        lines << Text::tr("%1 stocks.").arg(info.stocks);
    else if (info.dates == 1)
        lines << Text::tr("%1 stocks, report date %2 (1 period).")
                     .arg(QString::number(info.stocks), info.newestDate);
    else
        lines << Text::tr("%1 stocks, report dates %2 to %3 (%4 periods).")
                     .arg(QString::number(info.stocks), info.oldestDate, info.newestDate,
                          QString::number(info.dates));
    if (drop.build.dataFileRemoved)
        lines << Text::tr(
            "No files are imported any more; the data file made from them is deleted.");
    else
        lines << Text::tr("Made from %1 exports, kept in %2.")
                     .arg(QString::number(drop.build.keptExports),
                          absolutePath(drop.exportsFolder));
    if (drop.answersAtNextStart)
        lines << Text::tr("Note: at the next start %1 answers, not this data file; delete or "
                          "rename it to let this one answer.")
                     .arg(absolutePath(*drop.answersAtNextStart));
    for (const ImportMessage& warning : drop.build.summary.warnings)
        lines << Text::tr("Note: %1").arg(windowText(warning));
    return lines;
}

} // namespace

DropReport dropReport(const DataWorkflow::Drop& drop, const DataInfo& info,
                      const QStringList& passedOver, const QStringList& removed) {
    const QString unchanged =
        removed.isEmpty()
            ? Text::tr("The data file is unchanged, and the files dropped are not kept.")
            : Text::tr("The data file and the files imported are unchanged.");
    using Outcome = DataWorkflow::Drop::Outcome;
    switch (drop.outcome) {
    case Outcome::Declined:
        return {};
    case Outcome::ImportFailed: {
        QStringList details;
        for (const ImportError& e : drop.build.errors.first())
            details << windowText(e);
        if (const qint64 more = drop.build.errors.count() - qsizetype(details.size()); more > 0)
            details << Text::tr("… and %1 more errors").arg(more);
        return failure(drop.build.errors.count() == 1
                           ? Text::tr("The files have an error.")
                           : Text::tr("The files have %1 errors.").arg(drop.build.errors.count()),
                       unchanged, details);
    }
    case Outcome::NoRows:
        return failure(Text::tr("The files dropped hold no holders."), unchanged, {});
    case Outcome::Busy:
        return failure(Text::tr("Another Gegu is changing the data folder; try again in a moment."),
                       unchanged, {});
    case Outcome::WriteFailed: {
        if (drop.build.unrestored.empty())
            return failure(Text::tr("The data folder cannot be written."), unchanged,
                           {drop.build.writeError});
        QString changed = Text::tr("Some files could not be put back as they were:");
        for (const ExportFolder::Result::Unrestored& u : drop.build.unrestored)
            changed +=
                u'\n' + Text::tr("%1 is the new version now; the earlier one is kept as %2 (%3).")
                            .arg(absolutePath(u.path), absolutePath(u.earlier), u.reason);
        return failure(Text::tr("The data folder cannot be written."), changed,
                       {drop.build.writeError});
    }
    case Outcome::LoadFailed:
        return failure(
            Text::tr("The new data file cannot be loaded; the data loaded before is still used."),
            Text::tr("The files are kept in %1, and the data file %2 is made again.")
                .arg(absolutePath(drop.exportsFolder), absolutePath(drop.dataFile)),
            {errorBoxText(*drop.loadError)});
    case Outcome::Built:
        break;
    }
    return {DropReport::Kind::Summary, {}, {}, summary(drop, info, passedOver, removed)};
}

std::map<size_t, ExportQuestionNeed>
exportQuestions(const DataWorkflow::Drop& drop,
                const std::vector<ExportFolder::NewExport>& exports) {
    // Only where every error is one that an answer settles, each of a file just dropped.
    if (drop.outcome != DataWorkflow::Drop::Outcome::ImportFailed ||
        drop.build.errors.count() > qint64(drop.build.errors.first().size()))
        return {};
    std::map<QString, size_t> dropped; // the name it is kept under -> which export
    for (size_t i = 0; i < exports.size() && i < size_t(drop.build.added.size()); ++i)
        dropped[drop.build.added[qsizetype(i)]] = i;
    std::map<size_t, ExportQuestionNeed> questions;
    for (const ImportError& e : drop.build.errors.first()) {
        const auto file = dropped.find(e.file);
        if (file == dropped.end())
            return {};
        for (const ImportFault& f : e.faults) {
            const bool codeAndDate = f.kind == ImportKind::NoCode || f.kind == ImportKind::NoDate ||
                                     f.kind == ImportKind::TitleCodes ||
                                     f.kind == ImportKind::TitleDates;
            if (!codeAndDate && f.kind != ImportKind::KindUnknown)
                return {};
            ExportQuestionNeed& q = questions[file->second];
            q.codeAndDate = q.codeAndDate || codeAndDate;
            if (q.why.isEmpty())
                q.why = windowWords(f);
        }
    }
    return questions;
}

} // namespace gegu
