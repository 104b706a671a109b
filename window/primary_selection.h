#pragma once

#include "report_document.h"

#include <QPointer>

namespace gegu {

// The selection offered to other programs as X11's primary selection, which the middle button
// pastes. It holds the text that was selected, as a copy would, but reads it from the document
// while the text stands, so that selecting all of a huge report costs nothing; before the text
// changes, keep() has it copied.
class PrimarySelection {
public:
    explicit PrimarySelection(const ReportDocument& document);
    ~PrimarySelection();
    PrimarySelection(const PrimarySelection&) = delete;
    PrimarySelection& operator=(const PrimarySelection&) = delete;

    // Offers the text from one place to another, where the platform has a primary selection.
    void offer(TextPosition from, TextPosition to);
    // The text is about to change: the selection last offered keeps the text that was selected;
    // one of more than 16 Mi characters is given up rather than copied.
    void keep();

private:
    class Mime;

    const ReportDocument& document_;
    // The selection last offered, while it still reads from the document.
    QPointer<Mime> offered_;
};

} // namespace gegu
