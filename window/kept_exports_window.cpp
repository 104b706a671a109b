#include "kept_exports_window.h"

#include "look.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace gegu {

KeptExportsWindow::KeptExportsWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(u"keptExports"_s);
    setWindowTitle(tr("Files imported"));
    setFont(songFont(12));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Midlight));
    setPalette(pal);

    folder_ = new QLabel(this);
    folder_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    folder_->setWordWrap(true);

    table_ = new QTableWidget(this);
    table_->setObjectName(u"keptExportsTable"_s);
    table_->setAccessibleName(tr("Files imported"));
    table_->setColumnCount(4);
    table_->setHorizontalHeaderLabels(
        {tr("File"), tr("Stocks"), tr("Report dates"), tr("Imported on")});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    table_->horizontalHeader()->setSectionResizeMode(2, QHeaderView::ResizeToContents);

    auto* buttons = new QDialogButtonBox(this);
    removeButton_ = buttons->addButton(tr("Delete"), QDialogButtonBox::ActionRole);
    removeButton_->setObjectName(u"remove"_s);
    QPushButton* open = buttons->addButton(tr("Open folder"), QDialogButtonBox::ActionRole);
    open->setObjectName(u"openFolder"_s);
    buttons->addButton(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(removeButton_, &QPushButton::clicked, this, &KeptExportsWindow::removeSelected);
    connect(open, &QPushButton::clicked, this, [this] {
        if (openFolder_)
            openFolder_();
    });
    connect(table_, &QTableWidget::itemSelectionChanged, this,
            [this] { removeButton_->setEnabled(!table_->selectedItems().isEmpty()); });
    removeButton_->setEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(folder_);
    layout->addWidget(table_);
    layout->addWidget(buttons);
    resize(720, 360);
}

void KeptExportsWindow::setExports(const std::vector<ExportFolder::KeptExport>& kept,
                                   const QString& folder) {
    kept_ = kept;
    folder_->setText(kept.empty() ? tr("No files are imported yet. Files dropped onto the window "
                                       "are kept in %1.")
                                        .arg(folder)
                                  : tr("Kept in %1; the data file is made from them.").arg(folder));
    table_->setRowCount(0);
    const auto cell = [](const QString& text, bool number = false) {
        auto* item = new QTableWidgetItem(text);
        if (number)
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return item;
    };
    for (const ExportFolder::KeptExport& k : kept) {
        const int row = table_->rowCount();
        table_->insertRow(row);
        table_->setItem(row, 0, cell(displayName(k.name)));
        if (!k.error.isEmpty()) {
            table_->setItem(row, 1, cell(tr("cannot be read alone: %1").arg(k.error)));
            table_->setSpan(row, 1, 1, 2);
        } else {
            table_->setItem(row, 1, cell(QString::number(k.stocks), true));
            QString dates;
            if (k.dates.size() == 1)
                dates = k.dates.front();
            else if (!k.dates.isEmpty())
                dates = tr("%1 to %2 (%3 periods)")
                            .arg(k.dates.front(), k.dates.back(), QString::number(k.dates.size()));
            table_->setItem(row, 2, cell(dates));
        }
        table_->setItem(row, 3,
                        cell(k.kept.isValid() ? k.kept.toLocalTime().toString(u"yyyy-MM-dd HH:mm"_s)
                                              : QString()));
    }
    table_->resizeColumnToContents(1);
    table_->resizeColumnToContents(3);
}

void KeptExportsWindow::removeSelected() {
    std::vector<NativePath> names;
    QStringList shown;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows()) {
        names.push_back(kept_[size_t(index.row())].name);
        shown << displayName(kept_[size_t(index.row())].name);
    }
    if (names.empty() || !remove_)
        return;
    QMessageBox ask(QMessageBox::Question, u"Gegu"_s,
                    tr("Delete these imported files?\n\n%1\n\nThe data file is made again from "
                       "the others; what only these hold is gone from it.")
                        .arg(shown.join(u'\n')),
                    QMessageBox::Yes | QMessageBox::No, this);
    ask.setObjectName(u"confirmRemove"_s);
    ask.setDefaultButton(QMessageBox::No);
    if (ask.exec() != QMessageBox::Yes)
        return;
    remove_(names);
}

} // namespace gegu
