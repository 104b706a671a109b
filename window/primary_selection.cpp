#include "primary_selection.h"

#include "report_layout.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

// The longest selection kept once the text changes, in characters.
constexpr qsizetype keptSelectionLength = qsizetype(1) << 24;

} // namespace

// The offered text: read from the document until it is copied or given up.
class PrimarySelection::Mime : public QMimeData {
public:
    Mime(const ReportDocument& document, TextPosition from, TextPosition to)
        : document_(&document), from_(from), to_(to) {}

    QStringList formats() const override { return {u"text/plain"_s}; }
    bool hasFormat(const QString& mime) const override { return mime == u"text/plain"_s; }

    qsizetype length() const {
        return document_->offsetOf(document_->clamped(to_)) -
               document_->offsetOf(document_->clamped(from_));
    }
    // Takes the text from the document: what is read later is what was selected.
    void copy() {
        text_ = shown();
        document_ = nullptr;
    }
    // Reads nothing from the document any more.
    void forget() { document_ = nullptr; }

protected:
    QVariant retrieveData(const QString& mime, QMetaType) const override {
        if (mime != u"text/plain"_s)
            return {};
        return document_ ? shown() : text_;
    }

private:
    QString shown() const {
        return shownText(*document_, document_->clamped(from_), document_->clamped(to_));
    }

    const ReportDocument* document_;
    TextPosition from_;
    TextPosition to_;
    QString text_;
};

PrimarySelection::PrimarySelection(const ReportDocument& document) : document_(document) {}

PrimarySelection::~PrimarySelection() {
    keep();
}

void PrimarySelection::offer(TextPosition from, TextPosition to) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (from == to || !clipboard->supportsSelection())
        return;
    offered_ = new Mime(document_, from, to);
    clipboard->setMimeData(offered_, QClipboard::Selection);
}

void PrimarySelection::keep() {
    // Gone once another selection took its place.
    Mime* const mime = offered_;
    offered_ = nullptr;
    if (!mime)
        return;
    if (mime->length() <= keptSelectionLength) {
        mime->copy();
        return;
    }
    mime->forget();
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard->mimeData(QClipboard::Selection) == mime)
        clipboard->clear(QClipboard::Selection);
}

} // namespace gegu
