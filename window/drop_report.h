#pragma once

// What the window makes of a drop's result (or of removing kept exports): what it says, and
// which dropped exports it asks about. Plain functions, tested without a window.

#include "import/data_workflow.h"
#include "queries/loaded_holdings.h"

#include <QString>
#include <QStringList>
#include <map>
#include <vector>

namespace gegu {

// What the window shows of a drop.
struct DropReport {
    enum class Kind {
        Nothing, // the user declined: nothing to say
        Failure, // a box: text, then changed, then details (errors at their files and lines)
        Summary, // the output box: details are the summary's lines
    };
    Kind kind = Kind::Nothing;
    QString text;
    QString changed;
    QStringList details;
};

// The report of a drop. info: the data answering now; passedOver: files of dropped folders not
// read; removed: the kept exports removed (a removal rather than a drop).
DropReport dropReport(const DataWorkflow::Drop& drop, const DataInfo& info,
                      const QStringList& passedOver, const QStringList& removed);

// What to ask of one dropped export: why (the first error, in the window's words), and whether
// its code and report date are wanted or only its table.
struct ExportQuestionNeed {
    QString why;
    bool codeAndDate = false;
};

// The questions that settle a failed drop, by the index of the export in `exports`: none where
// any error is one that no answer settles or is not of a file just dropped.
std::map<size_t, ExportQuestionNeed>
exportQuestions(const DataWorkflow::Drop& drop,
                const std::vector<ExportFolder::NewExport>& exports);

} // namespace gegu
