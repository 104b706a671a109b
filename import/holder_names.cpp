#include "holder_names.h"

#include "holdings/data_file_writer.h"

#include <QRegularExpression>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace gegu {

namespace {

constexpr QChar cutMark = u'…';

// Short forms of the words that make names long, in the order they are tried: the most
// particular first, so that a fund type is shortened as a whole before its words are.
constexpr std::pair<QStringView, QStringView> chineseShortForms[] = {
    {u"交易型开放式指数证券投资基金联接基金", u"ETF联接"},
    {u"成份交易型开放式指数证券投资基金", u"ETF"},
    {u"交易型开放式指数证券投资基金", u"ETF"},
    {u"交易型开放式指数发起式证券投资基金", u"ETF"},
    {u"上市开放式证券投资基金", u"LOF"},
    {u"私募证券投资基金", u"私募基金"},
    {u"发起式证券投资基金", u"基金"},
    {u"证券投资基金", u"基金"},
    {u"全国社会保障基金理事会", u"社保基金理事会"},
    {u"全国社保基金", u"社保基金"},
    {u"基本养老保险基金", u"养老基金"},
    {u"产业投资基金", u"产业基金"},
    {u"集合资金信托计划", u"信托计划"},
    {u"单一资金信托", u"单一信托"},
    {u"集合资产管理计划", u"集合资管"},
    {u"单一资产管理计划", u"单一资管"},
    {u"资产管理计划", u"资管计划"},
    {u"(代理人)有限公司", u"代理人"},
    {u"合伙企业(有限合伙)", u"合伙"},
    {u"(有限合伙)", u""},
    {u"人寿保险股份有限公司", u"人寿"},
    {u"人寿保险有限责任公司", u"人寿"},
    {u"财产保险股份有限公司", u"财险"},
    {u"保险股份有限公司", u"保险"},
    {u"股份有限公司", u"股份"},
    {u"有限责任公司", u"公司"},
    {u"有限公司", u"公司"},
    {u"国有企业", u"国企"},
    {u"保税港区", u""},
    {u"保险产品", u"产品"},
    {u"资产管理", u"资管"},
    {u"灵活配置混合型", u"灵活配置"},
    {u"混合型基金", u"混合"},
    {u"股票型基金", u"股票"},
    {u"债券型基金", u"债券"},
    {u"分级基金", u"分级"},
    {u"混合型", u"混合"},
    {u"股票型", u"股票"},
    {u"债券型", u"债券"},
    {u"指数型", u"指数"},
    {u"(LOF)", u""},
};

// Legal forms that a name may do without at its end, when all else has not made it fit.
constexpr QStringView trailingForms[] = {u"股份", u"公司"};

// Whole words of Latin names, matched in any case; written in the case of the word they stand
// for.
constexpr std::pair<QStringView, QStringView> latinShortForms[] = {
    {u"PUBLIC LIMITED COMPANY", u"PLC"},
    {u"NATIONAL ASSOCIATION", u"N.A."},
    {u"INTERNATIONAL", u"INTL"},
    {u"CORPORATION", u"CORP"},
    {u"INCORPORATED", u"INC"},
    {u"LIMITED", u"LTD"},
    {u"COMPANY", u"CO"},
    {u"MANAGEMENT", u"MGMT"},
    {u"INVESTMENTS", u"INV"},
    {u"INVESTMENT", u"INV"},
};

// How a custodian bank's name ends.
constexpr QStringView bankEndings[] = {u"银行股份有限公司", u"银行有限责任公司", u"银行有限公司",
                                       u"银行(中国)有限公司", u"银行"};

bool fits(QStringView name) {
    return name.size() <= SearchableNameLength && displayWidth(name) <= NameWidth;
}

QString simplified(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c.isSpace()) {
            if (!out.isEmpty() && !out.endsWith(u' '))
                out += u' ';
        } else {
            out += c;
        }
    }
    return out.trimmed();
}

bool isBank(QStringView segment) {
    return std::any_of(std::begin(bankEndings), std::end(bankEndings),
                       [&](QStringView ending) { return segment.endsWith(ending); });
}

// Whether a part of a name names a fund or another product that a bank keeps in custody.
bool isProduct(QStringView segment) {
    static constexpr QStringView words[] = {u"基金", u"计划", u"产品", u"组合", u"信托", u"资管",
                                            u"理财", u"专户", u"年金", u"ETF",  u"LOF"};
    return std::any_of(std::begin(words), std::end(words),
                       [&](QStringView word) { return segment.contains(word); });
}

// The name without the custodian banks that stand before or after its '-', where the rest names
// a product in their custody: a bank's own account (挪威中央银行-自有资金) keeps its bank.
QString withoutCustodians(const QString& name) {
    const QStringList segments = name.split(u'-');
    if (segments.size() < 2)
        return name;
    QStringList kept;
    bool product = false;
    for (const QString& segment : segments) {
        if (!isBank(segment.trimmed())) {
            kept << segment.trimmed();
            product = product || isProduct(segment);
        }
    }
    if (!product || kept.size() == segments.size())
        return name;
    return kept.join(u'-');
}

QString latinShortForm(const QString& word, QStringView shortForm) {
    // A word written in capitals takes capitals; any other, capitals only at its start.
    if (word == word.toUpper())
        return shortForm.toString();
    return shortForm.first(1).toString() + shortForm.sliced(1).toString().toLower();
}

bool isLatinWordPart(QChar c) {
    return c.unicode() < 0x80 && c.isLetterOrNumber();
}

// The mark of a cut name: three of 32 letters and digits (no 0, 1, I or O) from a hash of its
// whole name, the same on every system.
QString markOf(QStringView holder) {
    quint32 hash = 2166136261u; // FNV-1a over the UTF-16 code units
    for (const QChar c : holder) {
        hash = (hash ^ (c.unicode() & 0xFF)) * 16777619u;
        hash = (hash ^ (c.unicode() >> 8)) * 16777619u;
    }
    static constexpr char16_t digits[] = u"23456789ABCDEFGHJKLMNPQRSTUVWXYZ";
    QString mark;
    for (int i = 0; i < 3; ++i, hash >>= 5)
        mark += QChar(digits[hash & 31]);
    return mark;
}

// The first characters of the text that fit with the mark and the tail after them; a Latin word
// is not cut in two where its start leaves most of the room filled.
QString cut(QStringView text, QStringView tail) {
    QString head;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString longer = head + text.sliced(i, n).toString();
        if (!fits(longer + cutMark + tail.toString()))
            break;
        head = longer;
        i += n;
    }
    if (i < text.size() && !head.isEmpty() && isLatinWordPart(text[i]) &&
        isLatinWordPart(head.back())) {
        if (const qsizetype blank = head.lastIndexOf(u' '); blank >= head.size() / 2)
            head.truncate(blank);
    }
    while (!head.isEmpty() && QStringView(u" -(&,.·").contains(head.back()))
        head.chop(1);
    return head + cutMark + tail.toString();
}

// The holder's name with its words shortened as far as it takes to fit (or all of them), not
// yet cut.
QString abbreviated(QStringView holder) {
    QString s = holder.toString();
    for (const auto& [form, shortForm] : chineseShortForms) {
        if (fits(s))
            return s;
        s.replace(form.toString(), shortForm.toString());
    }
    // The Latin words as patterns, made once.
    static const std::vector<QRegularExpression> latinPatterns = [] {
        std::vector<QRegularExpression> patterns;
        for (const auto& [form, shortForm] : latinShortForms)
            patterns.emplace_back(u"\\b"_s + form.toString().replace(u' ', u"\\s+"_s) + u"\\b"_s,
                                  QRegularExpression::CaseInsensitiveOption);
        return patterns;
    }();
    for (size_t k = 0; k < std::size(latinShortForms) && !fits(s); ++k) {
        for (qsizetype from = 0;;) {
            const QRegularExpressionMatch match = latinPatterns[k].match(s, from);
            if (!match.hasMatch())
                break;
            const QString replacement = latinShortForm(match.captured(), latinShortForms[k].second);
            s.replace(match.capturedStart(), match.capturedLength(), replacement);
            from = match.capturedStart() + replacement.size();
        }
    }
    for (QStringView form : trailingForms) {
        if (!fits(s) && s.endsWith(form))
            s.chop(form.size());
    }
    return simplified(s);
}

} // namespace

QString foldWidth(QStringView text) {
    QString out = text.toString();
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if (u >= 0xFF01 && u <= 0xFF5E)
            c = QChar(char16_t(u - 0xFEE0));
        else if (u == 0x3000)
            c = u' ';
        else if ((u >= 0x2010 && u <= 0x2015) || u == 0x2212 || u == 0xFE63)
            c = u'-';
    }
    return out;
}

QString compactForm(QStringView name) {
    QString key = foldWidth(name);
    key.removeIf([](QChar c) { return c.isSpace(); });
    return key;
}

QString holderName(QStringView exported) {
    const QString folded = foldWidth(exported);
    // Runs of blanks become one blank, kept only between two ASCII characters.
    QString out;
    out.reserve(folded.size());
    bool blank = false;
    for (const QChar c : folded) {
        if (c.isSpace()) {
            blank = true;
            continue;
        }
        if (blank && !out.isEmpty() && out.back().unicode() < 0x80 && c.unicode() < 0x80)
            out += u' ';
        blank = false;
        out += c;
    }
    return withoutCustodians(out);
}

bool fitsNameColumn(QStringView name) {
    return fits(name);
}

QString fittedName(QStringView holder) {
    if (fits(holder))
        return holder.toString();
    const QString s = abbreviated(holder);
    return fits(s) ? s : cut(s, markOf(holder));
}

QString shortHolderName(QStringView exported) {
    return fittedName(holderName(exported));
}

} // namespace gegu
