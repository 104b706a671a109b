#include "portfolio_model.h"

#include "queries/portfolio_report.h"

#include <QBrush>
#include <QColor>
#include <algorithm>
#include <numeric>

namespace gegu {

namespace {

bool isNumberColumn(int column) {
    switch (column) {
    case PortfolioModel::Shares:
    case PortfolioModel::Ratio:
    case PortfolioModel::Rank:
    case PortfolioModel::SinceShares:
    case PortfolioModel::SharesChange:
    case PortfolioModel::RatioChange:
        return true;
    default:
        return false;
    }
}

// The value a number column sorts by; nullopt where the cell is blank.
std::optional<double> numberOf(const Holding& h, int column) {
    switch (column) {
    case PortfolioModel::Shares:
        return h.line >= 0 ? h.shares : std::nullopt;
    case PortfolioModel::Ratio:
        return h.line >= 0 ? h.ratio : std::nullopt;
    case PortfolioModel::Rank:
        return h.rank > 0 ? std::optional<double>(h.rank) : std::nullopt;
    case PortfolioModel::SinceShares:
        return h.sinceShares;
    case PortfolioModel::SharesChange:
        return h.sharesDifference();
    case PortfolioModel::RatioChange:
        return h.ratioDifference();
    default:
        return std::nullopt;
    }
}

} // namespace

PortfolioModel::PortfolioModel(QObject* parent) : QAbstractTableModel(parent) {}

void PortfolioModel::setPortfolio(Portfolio portfolio) {
    beginResetModel();
    portfolio_ = std::move(portfolio);
    order_.resize(portfolio_.holdings.size());
    std::iota(order_.begin(), order_.end(), 0);
    if (sortColumn_ >= columnCount())
        sortColumn_ = -1;
    applySort();
    endResetModel();
}

int PortfolioModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(order_.size());
}

int PortfolioModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return compared() ? RatioChange + 1 : Rank + 1;
}

QString PortfolioModel::text(const Holding& h, int column) const {
    switch (column) {
    case Code:
        return h.codeText;
    case Stock:
        return h.stock;
    case Table:
        return h.table().toString();
    case Date:
        return reportDateText(h.date);
    case Shares:
        return h.line >= 0 ? h.sharesText : QString();
    case Ratio:
        return h.line >= 0 ? h.ratioText : QString();
    case Type:
        return h.type;
    case Change:
        return h.change;
    case Rank:
        return h.rank > 0 ? QString::number(h.rank) : QString();
    case Status:
        return statusText(h.status);
    case SinceShares:
        return portfolioNumber(h.sinceShares);
    case SharesChange:
        return portfolioDifference(h.sharesDifference());
    case RatioChange:
        return portfolioDifference(h.ratioDifference());
    default:
        return {};
    }
}

QVariant PortfolioModel::sortKey(const Holding& h, int column) const {
    if (isNumberColumn(column)) {
        const std::optional<double> v = numberOf(h, column);
        return v ? QVariant(*v) : QVariant();
    }
    if (column == Code)
        return h.code;
    if (column == Date)
        return h.date;
    if (column == Status)
        return int(h.status);
    return text(h, column);
}

QVariant PortfolioModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const Holding& h = holding(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return text(h, index.column());
    case SortRole:
        return sortKey(h, index.column());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(
            Qt::AlignVCenter | (isNumberColumn(index.column()) ? Qt::AlignRight : Qt::AlignLeft));
    case Qt::ForegroundRole:
        // Lines listed apart, outside the totals, stand back.
        return h.stale ? QVariant(QBrush(QColor(0x80, 0x80, 0x80))) : QVariant();
    case Qt::ToolTipRole:
        if (h.stale)
            return tr("无该期报告：按该股票最近一期（%1）的报告列出，不计入合计")
                .arg(reportDateText(h.date));
        if (h.status == HoldingStatus::Exited)
            return tr("退出：该期已不在前十名之列；可能仍持有前十名以外的股份，数据无法显示");
        return {};
    default:
        return {};
    }
}

QVariant PortfolioModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Code:
        return tr("代码");
    case Stock:
        return tr("股票");
    case Table:
        return tr("表");
    case Date:
        return tr("报告期");
    case Shares:
        return tr("持股数(万股)");
    case Ratio:
        return tr("占比(%)");
    case Type:
        return tr("股份性质");
    case Change:
        return tr("增减");
    case Rank:
        return tr("名次");
    case Status:
        return tr("状态");
    case SinceShares:
        return tr("比较期(万股)");
    case SharesChange:
        return tr("变化(万股)");
    case RatioChange:
        return tr("占比变化");
    default:
        return {};
    }
}

void PortfolioModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= columnCount())
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> holdings;
    for (const QModelIndex& index : before)
        holdings.push_back(order_[size_t(index.row())]);
    sortColumn_ = column;
    sortOrder_ = order;
    applySort();
    // Persistent indexes (the selection, the current row) follow their holdings.
    std::vector<int> rowOf(order_.size());
    for (size_t row = 0; row < order_.size(); ++row)
        rowOf[size_t(order_[row])] = int(row);
    QModelIndexList after;
    for (qsizetype i = 0; i < before.size(); ++i)
        after << index(rowOf[size_t(holdings[size_t(i)])], before[i].column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void PortfolioModel::applySort() {
    std::iota(order_.begin(), order_.end(), 0);
    if (sortColumn_ < 0)
        return;
    const int column = sortColumn_;
    const bool descending = sortOrder_ == Qt::DescendingOrder;
    // Blank numbers come below every number; ties keep the portfolio's order in either order.
    const auto less = [&](int a, int b) {
        const Holding& x = portfolio_.holdings[size_t(a)];
        const Holding& y = portfolio_.holdings[size_t(b)];
        if (isNumberColumn(column)) {
            const std::optional<double> u = numberOf(x, column);
            const std::optional<double> v = numberOf(y, column);
            return u.has_value() != v.has_value() ? !u.has_value() : u && *u < *v;
        }
        switch (column) {
        case Code:
            return x.code < y.code;
        case Date:
            return x.date < y.date;
        case Status:
            return int(x.status) < int(y.status);
        default:
            return text(x, column) < text(y, column);
        }
    };
    std::stable_sort(order_.begin(), order_.end(),
                     [&](int a, int b) { return descending ? less(b, a) : less(a, b); });
}

} // namespace gegu
