#pragma once

#include "queries/portfolio.h"

#include <QAbstractTableModel>
#include <vector>

namespace gegu {

// A portfolio as a table for a view: a row a holding, sortable by any column (numbers as
// numbers, dates as dates); with a comparison, the status and the differences as columns of
// their own. The lines listed apart (无该期报告) show their own date and are greyed.
class PortfolioModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        Code,
        Stock,
        Table,
        Date,
        Shares,
        Ratio,
        Type,
        Change,
        Rank,
        // With a comparison:
        Status,
        SinceShares,
        SharesChange,
        RatioChange,
    };
    // What a column sorts by: a number, or the text.
    static constexpr int SortRole = Qt::UserRole;

    explicit PortfolioModel(QObject* parent = nullptr);

    // Shows the portfolio, sorted as the last sort() asked.
    void setPortfolio(Portfolio portfolio);
    const Portfolio& portfolio() const { return portfolio_; }
    bool compared() const { return portfolio_.since != 0; }
    // The holding a row shows.
    const Holding& holding(int row) const {
        return portfolio_.holdings[size_t(order_[size_t(row)])];
    }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // Sorts the rows, holdings that compare equal keeping the portfolio's order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    QString text(const Holding& h, int column) const;
    QVariant sortKey(const Holding& h, int column) const;
    void applySort();

    Portfolio portfolio_;
    std::vector<int> order_; // the holdings in the rows' order
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

} // namespace gegu
