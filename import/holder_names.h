#pragma once

// Holders' names as exports write them, and as the data file's name column can hold them.
//
// A row's name stands in 21 half-width columns before its bar (ten ideographs and one more
// half-width character), and the name query searches only the row's first 18 characters after
// its two blanks. Real names are often longer: a mutual fund's name follows its custodian
// bank's, an ETF's type takes fourteen ideographs. A name that does not fit is shortened, as
// far as needed and no further, in these steps:
//
//  1. Full-width letters, digits and signs become half-width, dashes a '-', runs of blanks one
//     blank.
//  2. A custodian bank before or after a '-' is left out, so that the fund's own name comes
//     first: 中国工商银行股份有限公司－华夏沪深300交易型开放式指数证券投资基金 -> 华夏沪深300...
//  3. Common words of fund type and legal form take their usual short forms, one after the
//     other: 交易型开放式指数证券投资基金 -> ETF, 证券投资基金 -> 基金, 全国社保基金 -> 社保基金,
//     股份有限公司 -> 股份, 有限责任公司 -> 公司, LIMITED -> LTD, INTERNATIONAL -> INTL, ...
//  4. As a last resort the name is cut, and a mark (…) shows where.
//
// Two holders of one table whose names would come out the same are kept apart: the one that was
// shortened keeps the end of its name after the mark, or failing that a number.

#include <QString>
#include <QStringView>
#include <vector>

namespace gegu {

// Full-width forms of ASCII (Ａ, （, ％, ...) as ASCII, the ideographic space as a blank, and
// dashes (－, —, –, ―) as '-'.
QString foldWidth(QStringView text);

// What two spellings of one holder's name share: folded, without blanks.
QString holderKey(QStringView name);

// Whether the name fits the name column and is searched whole.
bool fitsNameColumn(QStringView name);

// The name as the data file writes it: itself when it fits, else shortened as above.
QString shortHolderName(QStringView name);

// Names of one table, each as exported and as it would be written.
struct TableName {
    QString exported;
    QString written;
};

// Makes the written names of different holders differ: a shortened name that equals another
// written name takes another short form. The names given are of different holders.
void keepApart(std::vector<TableName>& names);

} // namespace gegu
