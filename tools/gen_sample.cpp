// gegu-gen-sample: writes a fictional Gegu data file (GBK, CR LF) of any size.
//
//   gegu-gen-sample [--stocks N] [--rows R] [--seed S] OUTPUT
//
// The same arguments always give the same bytes, whatever the compiler or its library. Every
// stock gets a unique six-digit code (ascending), a made-up name, a share
// capital, and R holders (funds, companies and people, all made up) ranked by shares: their
// percentages come from the one share capital and add up to less than 100, and each change
// says how the holding differs from a previous period. Every header line ends with 示例数据,
// so that every report drawn from the file says it is a sample.

#include "fictional.h"
#include "holdings/data_file_writer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSaveFile>
#include <cstdio>
#include <set>

using namespace Qt::StringLiterals;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Writes a fictional Gegu data file."_s);
    parser.addHelpOption();
    parser.addOptions({{u"stocks"_s, u"Number of stocks."_s, u"N"_s, u"1681"_s},
                       {u"rows"_s, u"Holder rows per stock."_s, u"R"_s, u"199"_s},
                       {u"seed"_s, u"Random seed."_s, u"S"_s, u"1"_s}});
    parser.addPositionalArgument(u"OUTPUT"_s, u"File to write."_s);
    parser.process(app);

    bool ok1 = false, ok2 = false, ok3 = false;
    const int stocks = parser.value(u"stocks"_s).toInt(&ok1);
    const int rows = parser.value(u"rows"_s).toInt(&ok2);
    const quint64 seed = parser.value(u"seed"_s).toULongLong(&ok3);
    if (!ok1 || !ok2 || !ok3 || stocks < 1 || stocks > 29997 || rows < 0 ||
        parser.positionalArguments().size() != 1) {
        std::fprintf(stderr, "gegu-gen-sample: bad arguments (see --help)\n");
        return 2;
    }

    QSaveFile file(parser.positionalArguments().front());
    if (!file.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "gegu-gen-sample: cannot write %s\n", qPrintable(file.fileName()));
        return 2;
    }

    gegu::FictionalMarket gen(seed);
    // Codes ascend through the file, as in the published data. Two well-known codes are always
    // there, so that the usual first lookups (600036, and 2 for 000002) answer on every sample.
    std::set<QString> codes;
    for (const char* known : {"600036", "000002"}) {
        if (int(codes.size()) < stocks)
            codes.insert(QString::fromLatin1(known));
    }
    while (int(codes.size()) < stocks)
        codes.insert(gen.stockCode());

    gegu::DataFileWriter writer(file);
    writer.begin(stocks);
    for (const QString& code : codes) {
        const QString date = gen.reportDate();
        const QString name = gen.stockName();
        std::vector<gegu::HolderRow> holders = gen.holders(rows);
        writer.write({code, name, u"十大股东"_s, date, u"示例数据"_s, std::move(holders)});
    }
    if (!writer.finish() || !file.commit()) {
        std::fprintf(stderr, "gegu-gen-sample: cannot write %s\n", qPrintable(file.fileName()));
        return 2;
    }
    return 0;
}
