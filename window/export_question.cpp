#include "export_question.h"

#include "look.h"

#include <QComboBox>
#include <QDate>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

// The report periods: their month and day.
constexpr int periodEnds[][2] = {{3, 31}, {6, 30}, {9, 30}, {12, 31}};

} // namespace

ExportQuestion::ExportQuestion(const QString& fileName, const QString& why, bool askCodeAndDate,
                               QWidget* parent)
    : QDialog(parent), fileName_(fileName), askCodeAndDate_(askCodeAndDate) {
    setObjectName(u"exportQuestion"_s);
    setWindowTitle(tr("What is this file?"));
    setFont(songFont(12));
    const FileNameHints named = hintsFromFileName(fileName);

    auto* intro = new QLabel(
        askCodeAndDate
            ? tr("%1 does not say which stock and report period its table is of:\n%2\n\nSay it "
                 "here; Gegu keeps the answer in the name the file is kept under.")
                  .arg(fileName, why)
            : tr("%1 does not say whether its table is 十大股东 or 十大流通股东:\n%2\n\nSay it "
                 "here; Gegu keeps the answer in the name the file is kept under.")
                  .arg(fileName, why),
        this);
    intro->setWordWrap(true);
    intro->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* form = new QFormLayout;
    if (askCodeAndDate) {
        code_ = new QLineEdit(this);
        code_->setObjectName(u"code"_s);
        code_->setValidator(
            new QRegularExpressionValidator(QRegularExpression(u"\\d{1,6}"_s), code_));
        code_->setPlaceholderText(u"600036"_s);
        if (named.code)
            code_->setText(QString::number(*named.code).rightJustified(6, u'0'));
        form->addRow(tr("Stock code:"), code_);

        year_ = new QSpinBox(this);
        year_->setObjectName(u"year"_s);
        year_->setRange(1990, 2999);
        period_ = new QComboBox(this);
        period_->setObjectName(u"period"_s);
        period_->addItems({tr("Q1 report (03-31)"), tr("Half-year report (06-30)"),
                           tr("Q3 report (09-30)"), tr("Annual report (12-31)")});
        // The latest period that has ended, or the one the name says.
        const QDate today = QDate::currentDate();
        int year = today.year();
        int period = (today.month() - 1) / 3 - 1;
        if (period < 0) {
            period = 3;
            --year;
        }
        if (named.date) {
            year = *named.date / 10000;
            for (int p = 0; p < 4; ++p)
                period =
                    *named.date % 10000 == periodEnds[p][0] * 100 + periodEnds[p][1] ? p : period;
        }
        year_->setValue(year);
        period_->setCurrentIndex(period);
        auto* date = new QHBoxLayout;
        date->addWidget(year_);
        date->addWidget(period_, 1);
        form->addRow(tr("Report period:"), date);
        year_->setAccessibleName(tr("Year"));
        period_->setAccessibleName(tr("Report period:"));
    }
    table_ = new QComboBox(this);
    table_->setObjectName(u"table"_s);
    table_->addItems({u"十大股东"_s, u"十大流通股东"_s});
    table_->setCurrentIndex(named.floatHolders.value_or(false) ? 1 : 0);
    form->addRow(tr("Table:"), table_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    if (code_) {
        QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
        const auto check = [this, ok] {
            ok->setEnabled(answer().has_value());
        };
        connect(code_, &QLineEdit::textChanged, this, check);
        check();
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

std::optional<FileNameHints> ExportQuestion::answer() const {
    FileNameHints answer;
    answer.floatHolders = table_->currentIndex() == 1;
    if (askCodeAndDate_) {
        const int code = code_->text().toInt();
        if (code_->text().isEmpty() || code <= 0)
            return std::nullopt;
        answer.code = code;
        const int p = period_->currentIndex();
        answer.date = year_->value() * 10000 + periodEnds[p][0] * 100 + periodEnds[p][1];
    }
    return answer;
}

QString ExportQuestion::keptName() const {
    const std::optional<FileNameHints> a = answer();
    if (!a)
        return fileName_;
    if (a->code && a->date)
        return keptNamePrefix(*a->code, *a->date, *a->floatHolders) + fileName_;
    return (*a->floatHolders ? u"十大流通股东_"_s : u"十大股东_"_s) + fileName_;
}

} // namespace gegu
