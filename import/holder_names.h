#pragma once

// Holders' names as exports write them, and as the data file's name column can hold them.
//
// One holder, one written name: a name is first brought to the form that decides which rows
// are one holder (holderName): full-width letters, digits and signs half-width, dashes a '-',
// runs of blanks one blank and no blank beside a character beyond ASCII (张 三 is 张三), and a
// custodian bank before or after a '-' left out, so that a fund is itself however its bank is
// written: 中国工商银行股份有限公司－华夏沪深300交易型开放式指数证券投资基金 is
// 华夏沪深300交易型开放式指数证券投资基金. What is written follows from that form alone, the
// same in every table, file and run.
//
// A row's name stands in 21 half-width columns before its bar (ten ideographs and one more
// half-width character), and the name query searches only the row's first 18 characters after
// its two blanks. A holder whose name does not fit is shortened, as far as needed and no
// further:
//
//  1. Common words of fund type and legal form take their usual short forms, one after the
//     other: 交易型开放式指数证券投资基金 -> ETF, 证券投资基金 -> 基金, 全国社保基金 -> 社保基金,
//     股份有限公司 -> 股份, 有限责任公司 -> 公司, LIMITED -> LTD, INTERNATIONAL -> INTL, ...
//  2. As a last resort the name is cut, and a mark shows where and tells it from any other cut
//     alike: … and three letters or digits that its whole name gives (中国人寿-传统-普…K7Q).

#include <QString>
#include <QStringView>

namespace gegu {

// Full-width forms of ASCII (Ａ, （, ％, ...) as ASCII, the ideographic space as a blank, and
// dashes (－, —, –, ―) as '-'.
QString foldWidth(QStringView text);

// The text folded and without any blank: how header names are matched.
QString compactForm(QStringView text);

// The holder a name stands for, as above: two names are of one holder when these agree.
QString holderName(QStringView exported);

// Whether the name fits the name column and is searched whole.
bool fitsNameColumn(QStringView name);

// How the data file writes a holder (a holderName): itself when it fits, else shortened as
// above.
QString fittedName(QStringView holder);

// fittedName of holderName: how an exported name is written.
QString shortHolderName(QStringView exported);

} // namespace gegu
