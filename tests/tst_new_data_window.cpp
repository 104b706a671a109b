// New data for people, in the window: exports dropped as users name them, the question where an
// export does not say what it is, the summary a line each, dropped folders, spreadsheets
// refused with a word on saving them as text, every import error in Chinese, and the kept
// exports in view: listed, removed at the user's word.

#include "common/translation.h"
#include "holdings/data_file.h"
#include "import/import_message.h"
#include "support.h"
#include "user_data_folder.h"
#include "window/cid.h"
#include "window/drop_report.h"
#include "window/export_question.h"
#include "window/import_words.h"
#include "window/kept_exports_window.h"
#include "window/output_box.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

using namespace gegu;
using namespace gegu::test;
using namespace Qt::StringLiterals;

class NewDataWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void everyImportErrorIsChinese();
    void summaryALineEach();
    void aSecondQuarterUnderTheSameNameKeepsBoth();
    void theWindowAsksWhatAnExportDoesNotSay();
    void aFloatExportWithoutATitle();
    void foldersAndSpreadsheets();
    void keptExportsListedAndRemoved();
    void dropReports_data();
    void dropReports();
    void questionsOnlyWhereAnAnswerSettles();

private:
    // The file, written into the drop folder.
    QString file(const QString& name, const QByteArray& bytes);
    QString shown() const;
    // Runs act when the next modal window (a box or a dialog) of that name is up.
    void whenModal(const QString& name, const std::function<void(QWidget*)>& act);
    QMessageBox* failureBox();

    QTemporaryDir dir_;
    QString previousDir_;
    std::unique_ptr<UserDataFolder> user_;
    std::unique_ptr<cid> form_;
};

namespace {

// An export of 600036 in one period, as a data library writes it.
QByteArray exportOf(const QString& date, qint64 shares) {
    return "证券代码,证券简称,截止日期,股东名称,持股数量(股),占总股本比例(%)\n600036,招商银行," +
           date.toUtf8() + ",拖入股东," + QByteArray::number(shares) + ",1.50\n";
}

const QByteArray bare = "名次,股东名称,持股数量(股),占总股本比例(%)\n1,甲,1000000,1.5\n";
// Nor a ratio to tell its table by.
const QByteArray bareNoRatio = "名次,股东名称,持股数量(股)\n1,甲,1000000\n";

bool hasLatinWords(const QString& text) {
    // English words, beyond the column names (code, end_date) a message quotes.
    static const QRegularExpression english(
        u"\\b(the|and|not|nor|of|is|has|with|cannot|file|line|read|written|save)\\b"_s);
    return text.contains(english);
}

} // namespace

void NewDataWindowTest::initTestCase() {
    useLanguage(Language::Chinese); // as Gegu does: the window speaks Chinese
    QVERIFY(dir_.isValid());
    previousDir_ = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir_.path()));
    QFile sample(dir_.filePath(u"gegusj.rar"_s));
    QVERIFY(sample.open(QIODevice::WriteOnly));
    sample.write(gbkFile({u"0"_s, u"600036 招商银行  十大股东  2024-03-31"_s, u"1"_s, u"head"_s,
                          u"  华夏大盘基金 │ 1"_s}));
}

void NewDataWindowTest::init() {
    user_ = std::make_unique<UserDataFolder>();
    if (!user_->usable())
        QSKIP("the user's data folder exists: a test leaves it alone");
    form_ = std::make_unique<cid>();
    form_->Form_Load();
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
}

void NewDataWindowTest::cleanup() {
    form_.reset();
    user_.reset();
    QDir(dir_.filePath(u"drops"_s)).removeRecursively();
}

QString NewDataWindowTest::file(const QString& name, const QByteArray& bytes) {
    const QString path = dir_.filePath(u"drops/"_s + name);
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QString NewDataWindowTest::shown() const {
    const auto* box = form_->findChild<OutputBox*>(u"Text2"_s);
    QStringList lines;
    for (qsizetype i = 0; i < box->lineCount(); ++i)
        lines << box->document().line(i);
    return lines.join(u'\n');
}

void NewDataWindowTest::whenModal(const QString& name, const std::function<void(QWidget*)>& act) {
    QTimer::singleShot(10, this, [=, this] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal->objectName() != name)
            return whenModal(name, act);
        act(modal);
    });
}

QMessageBox* NewDataWindowTest::failureBox() {
    QMessageBox* box = nullptr;
    if (!QTest::qWaitFor([&] { return (box = form_->findChild<QMessageBox*>(u"importFailed"_s)); }))
        qWarning("no box");
    return box;
}

void NewDataWindowTest::everyImportErrorIsChinese() {
    // Each kind of error, warning and note in the window's words: Chinese, and no option of the
    // command line.
    for (int k = 0; k <= int(ImportKind::NamesFieldCount); ++k) {
        ImportFault fault(ImportKind(k), 0,
                          {u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s});
        fault.otherLine = 9;
        const QString words = windowWords(fault);
        if (ImportKind(k) == ImportKind::PeriodsLeftOut)
            continue; // the window keeps every period
        QVERIFY2(!words.isEmpty(), qPrintable(QString::number(k)));
        QVERIFY2(!hasLatinWords(words), qPrintable(u"%1: %2"_s.arg(k).arg(words)));
        QVERIFY2(!words.contains(u"--"_s), qPrintable(words));
    }
    // In the box of a failed drop, with the file and line.
    form_->importExports({nativePath(file(u"bad.csv"_s, "证券代码,截止日期,股东名称,持股数量\n"
                                                        "600036,2024-06-30,甲,许多\n"))});
    QMessageBox* box = failureBox();
    QVERIFY(box);
    QVERIFY2(box->text().contains(u"bad.csv 第 2 行：不是"_s), qPrintable(box->text()));
    QVERIFY2(!hasLatinWords(box->text().remove(u"bad.csv"_s)), qPrintable(box->text()));
    QVERIFY(box->text().contains(u"数据文件没有改变"_s));
    box->close();
}

void NewDataWindowTest::summaryALineEach() {
    form_->importExports({nativePath(file(u"q2.csv"_s, exportOf(u"2024-06-30"_s, 1000000)))});
    QTRY_VERIFY(shown().contains(u"已导入：q2.csv"_s));
    // Lines at CR LF, one thing a line; one period is one period.
    const QStringList lines = shown().split(u'\n');
    QVERIFY2(lines.contains(u"共 1 只股票，报告期 2024-06-30（1 期）。"_s), qPrintable(shown()));
    QVERIFY(lines.contains(u"数据文件："_s + user_->dataFile()));
    QVERIFY(!shown().contains(u"2024-06-30 至 2024-06-30"_s));

    form_->importExports({nativePath(file(u"q3.csv"_s, exportOf(u"2024-09-30"_s, 1000000)))});
    QTRY_VERIFY(shown().contains(u"已导入：q3.csv"_s));
    QVERIFY2(
        shown().split(u'\n').contains(u"共 1 只股票，报告期 2024-06-30 至 2024-09-30（2 期）。"_s),
        qPrintable(shown()));
}

void NewDataWindowTest::aSecondQuarterUnderTheSameNameKeepsBoth() {
    form_->importExports({nativePath(file(u"招商银行.csv"_s, exportOf(u"2024-03-31"_s, 1)))});
    QTRY_VERIFY(shown().contains(u"已导入：招商银行.csv"_s));
    form_->importExports({nativePath(file(u"招商银行.csv"_s, exportOf(u"2024-06-30"_s, 2)))});
    QTRY_VERIFY(shown().contains(u"已导入：招商银行 (2).csv"_s));
    QVERIFY2(shown().contains(u"招商银行 (2).csv 与以前导入的 招商银行.csv 都保留"_s),
             qPrintable(shown()));
    QVERIFY(shown().contains(u"报告期 2024-03-31 至 2024-06-30（2 期）"_s));
}

void NewDataWindowTest::theWindowAsksWhatAnExportDoesNotSay() {
    // A data library's table without code and date, under a name that does not tell: asked.
    bool asked = false;
    whenModal(u"exportQuestion"_s, [&](QWidget* w) {
        asked = true;
        auto* question = static_cast<ExportQuestion*>(w);
        QVERIFY(question->windowTitle().contains(u"这个文件"_s));
        question->findChild<QLineEdit*>(u"code"_s)->setText(u"600519"_s);
        question->findChild<QSpinBox*>(u"year"_s)->setValue(2024);
        question->findChild<QComboBox*>(u"period"_s)->setCurrentIndex(1);
        question->findChild<QComboBox*>(u"table"_s)->setCurrentIndex(1);
        question->accept();
    });
    form_->importExports({nativePath(file(u"holders.csv"_s, bareNoRatio))});
    QVERIFY(asked);
    QTRY_VERIFY(shown().contains(u"已导入：600519_2024-06-30_十大流通股东_holders.csv"_s));
    // Kept under the answer, byte for byte; the summary says where it came from.
    QFile kept(user_->exportsFolder() + u"/600519_2024-06-30_十大流通股东_holders.csv"_s);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), bareNoRatio);
    QVERIFY2(shown().contains(u"从文件名读出：代码 600519、报告期 2024-06-30、十大流通股东"_s),
             qPrintable(shown()));

    // Named as data libraries name them: nothing to ask.
    form_->importExports({nativePath(file(u"000002_20240630.csv"_s, bare))});
    QTRY_VERIFY(shown().contains(u"已导入：000002_20240630.csv"_s));
    QVERIFY(shown().contains(u"未说明是十大股东还是十大流通股东，按十大股东读入"_s));

    // Not answered: the error, in the window's words.
    whenModal(u"exportQuestion"_s, [](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
    form_->importExports({nativePath(file(u"other.csv"_s, bare))});
    QMessageBox* box = failureBox();
    QVERIFY(box);
    QVERIFY2(box->text().contains(u"没有证券代码列"_s) && !box->text().contains(u"--code"_s),
             qPrintable(box->text()));
    box->close();
}

void NewDataWindowTest::aFloatExportWithoutATitle() {
    // An API's float holders, dropped beside the broker's titled table of the same period: the
    // ratio of the float tells it, and the two tables stay apart.
    form_->importExports(
        {nativePath(
             file(u"broker.csv"_s, "招商银行(600036) 十大股东 截止日期：2024-06-30\n" + bare)),
         nativePath(file(u"api.csv"_s, "ts_code,end_date,holder_name,hold_amount,hold_float_ratio\n"
                                       "600036.SH,20240630,乙,2000000,2.5\n"))});
    QTRY_VERIFY(shown().contains(u"已导入：broker.csv、api.csv"_s));
    const HoldingsTable table = loadHoldingsFile(nativePath(user_->dataFile()));
    QStringList headers;
    for (qsizetype r = 0; r < table.recordCount(); ++r)
        headers << table.header(r);
    QCOMPARE(headers, (QStringList{u"600036 招商银行  十大股东  2024-06-30"_s,
                                   u"600036 招商银行  十大流通股东  2024-06-30"_s}));

    // One that tells nothing beside them: the user is asked which it is.
    bool asked = false;
    whenModal(u"exportQuestion"_s, [&](QWidget* w) {
        asked = true;
        QVERIFY(!w->findChild<QLineEdit*>(u"code"_s)); // code and date are known
        w->findChild<QComboBox*>(u"table"_s)->setCurrentIndex(1);
        static_cast<QDialog*>(w)->accept();
    });
    form_->importExports({nativePath(file(u"600036_20240630.csv"_s, bareNoRatio))});
    QVERIFY(asked);
    QTRY_VERIFY(shown().contains(u"已导入：十大流通股东_600036_20240630.csv"_s));
}

void NewDataWindowTest::foldersAndSpreadsheets() {
    // A folder: the exports inside it, the other files named.
    file(u"folder/q1.csv"_s, exportOf(u"2024-03-31"_s, 1));
    file(u"folder/sub/q2.csv"_s, exportOf(u"2024-06-30"_s, 2));
    file(u"folder/readme.pdf"_s, "%PDF");
    form_->importExports({nativePath(dir_.filePath(u"drops/folder"_s))});
    QTRY_VERIFY(shown().contains(u"已导入：q1.csv、q2.csv"_s));
    QVERIFY2(shown().contains(u"没有读取："_s) && shown().contains(u"readme.pdf"_s),
             qPrintable(shown()));

    // A spreadsheet's own file: refused, with what to do.
    form_->importExports(
        {nativePath(file(u"holders.xlsx"_s, QByteArray("PK\x03\x04\x14\x00\x06\x00", 8)))});
    QMessageBox* box = failureBox();
    QVERIFY(box);
    QVERIFY2(box->text().contains(u"另存为 CSV"_s) && box->text().contains(u"Unicode 文本"_s),
             qPrintable(box->text()));
    box->close();
}

void NewDataWindowTest::keptExportsListedAndRemoved() {
    form_->importExports({nativePath(file(u"q1.csv"_s, exportOf(u"2024-03-31"_s, 1))),
                          nativePath(file(u"q2.csv"_s, exportOf(u"2024-06-30"_s, 2)))});
    QTRY_VERIFY(shown().contains(u"已导入：q1.csv、q2.csv"_s));

    // 数据下载更新's context menu.
    auto* update = form_->findChild<QPushButton*>(u"Command2"_s);
    QTimer::singleShot(50, this, [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QCOMPARE(menu->actions().size(), 1);
        QCOMPARE(menu->actions().front()->text(), u"已导入的文件…"_s);
        menu->actions().front()->trigger();
        menu->close();
    });
    emit update->customContextMenuRequested(update->rect().center());
    KeptExportsWindow* kept = nullptr;
    QTRY_VERIFY((kept = form_->findChild<KeptExportsWindow*>()));
    QCOMPARE(kept->windowTitle(), u"已导入的文件"_s);
    QTableWidget* table = kept->table();
    QCOMPARE(table->rowCount(), 2);
    QCOMPARE(table->item(0, 0)->text(), u"q1.csv"_s);
    QCOMPARE(table->item(0, 1)->text(), u"1"_s);
    QCOMPARE(table->item(0, 2)->text(), u"2024-03-31"_s);
    QVERIFY(!table->item(0, 3)->text().isEmpty());

    // 打开文件夹 opens the folder where the exports are.
    QUrl opened;
    form_->setUrlOpener([&](const QUrl& url) {
        opened = url;
        return true;
    });
    kept->findChild<QPushButton*>(u"openFolder"_s)->click();
    QCOMPARE(QDir::toNativeSeparators(opened.toLocalFile()), user_->exportsFolder());

    // 删除 asks, and No keeps it.
    table->selectRow(0);
    whenModal(u"confirmRemove"_s,
              [](QWidget* w) { static_cast<QMessageBox*>(w)->button(QMessageBox::No)->click(); });
    kept->findChild<QPushButton*>(u"remove"_s)->click();
    QCOMPARE(table->rowCount(), 2);
    // Yes removes it, and the data file is made from the rest.
    table->selectRow(0);
    whenModal(u"confirmRemove"_s,
              [](QWidget* w) { static_cast<QMessageBox*>(w)->button(QMessageBox::Yes)->click(); });
    kept->findChild<QPushButton*>(u"remove"_s)->click();
    QTRY_COMPARE(table->rowCount(), 1);
    QCOMPARE(table->item(0, 0)->text(), u"q2.csv"_s);
    QVERIFY(!QFile::exists(user_->exportsFolder() + u"/q1.csv"_s));
    QVERIFY2(shown().contains(u"已删除：q1.csv"_s), qPrintable(shown()));
    QVERIFY(shown().contains(u"报告期 2024-06-30（1 期）"_s));
    QCOMPARE(displayName(form_->data()->path()), user_->dataFile());

    // The last one: the window answers from the data file it finds without it.
    table->selectRow(0);
    whenModal(u"confirmRemove"_s,
              [](QWidget* w) { static_cast<QMessageBox*>(w)->button(QMessageBox::Yes)->click(); });
    kept->findChild<QPushButton*>(u"remove"_s)->click();
    QTRY_COMPARE(table->rowCount(), 0);
    QVERIFY(!QFile::exists(user_->dataFile()));
    QCOMPARE(QFileInfo(displayName(form_->data()->path())).canonicalFilePath(),
             QFileInfo(dir_.filePath(u"gegusj.rar"_s)).canonicalFilePath());
}

void NewDataWindowTest::dropReports_data() {
    // What the window says of each outcome of a drop, without a window: a box, whose first
    // lines say what went wrong and what that changed, or the summary's lines.
    QTest::addColumn<int>("outcome");
    QTest::addColumn<bool>("removal");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("said"); // in the text, changed and details, in order
    using O = DataWorkflow::Drop::Outcome;
    using K = DropReport::Kind;
    QTest::newRow("declined") << int(O::Declined) << false << int(K::Nothing) << QStringList();
    QTest::newRow("no rows") << int(O::NoRows) << false << int(K::Failure)
                             << QStringList{u"没有股东数据"_s, u"数据文件没有改变"_s};
    QTest::newRow("busy") << int(O::Busy) << false << int(K::Failure)
                          << QStringList{u"稍后"_s, u"没有保存"_s};
    QTest::newRow("a removal that cannot be written")
        << int(O::WriteFailed) << true << int(K::Failure)
        << QStringList{u"无法写入"_s, u"都没有改变"_s, u"disk full"_s};
    QTest::newRow("not put back") << int(O::WriteFailed) << false << int(K::Failure)
                                  << QStringList{u"无法写入"_s, u"a.csv"_s, u"a.csv.earlier"_s,
                                                 u"disk full"_s};
    QTest::newRow("built") << int(O::Built) << false << int(K::Summary)
                           << QStringList{u"已导入：q2.csv"_s, u"数据文件："_s, u"下次启动时"_s,
                                          u"gegusj.rar"_s};
}

void NewDataWindowTest::dropReports() {
    QFETCH(int, outcome);
    QFETCH(bool, removal);
    QFETCH(int, kind);
    QFETCH(QStringList, said);
    DataWorkflow::Drop drop;
    drop.outcome = DataWorkflow::Drop::Outcome(outcome);
    drop.build.writeError = u"disk full"_s;
    if (QByteArray(QTest::currentDataTag()) == "not put back")
        drop.build.unrestored.push_back(
            {nativePath(u"a.csv"_s), nativePath(u"a.csv.earlier"_s), u"denied"_s});
    drop.build.added = {u"q2.csv"_s};
    drop.build.keptExports = 2;
    drop.answersAtNextStart = nativePath(u"gegusj.rar"_s);
    drop.exportsFolder = nativePath(u"user/exports"_s);
    drop.dataFile = nativePath(u"user/gegusj.rar"_s);
    DataInfo info;
    info.path = nativePath(u"user/gegusj.rar"_s);
    info.stocks = 1;
    const DropReport report =
        dropReport(drop, info, {}, removal ? QStringList{u"q1.csv"_s} : QStringList());
    QCOMPARE(int(report.kind), kind);
    const QString all =
        QStringList{report.text, report.changed, report.details.join(u'\n')}.join(u'\n');
    qsizetype at = 0;
    for (const QString& part : said) {
        const qsizetype found = all.indexOf(part, at);
        QVERIFY2(found >= 0,
                 qPrintable(part + u" not after "_s + QString::number(at) + u" in: "_s + all));
        at = found + part.size();
    }
    QVERIFY2(!hasLatinWords(report.text + report.changed), qPrintable(all));
}

void NewDataWindowTest::questionsOnlyWhereAnAnswerSettles() {
    // The window asks of the exports just dropped what an answer settles (their code and date,
    // or their table), and of nothing where one error is of another kind or another file.
    const std::vector<ExportFolder::NewExport> exports{{nativePath(u"a.csv"_s), {}},
                                                       {nativePath(u"b.csv"_s), {}}};
    const auto failed = [](std::vector<ImportError> errors) {
        DataWorkflow::Drop drop;
        drop.outcome = DataWorkflow::Drop::Outcome::ImportFailed;
        drop.build.added = {u"a.csv"_s, u"b.csv"_s};
        for (ImportError& e : errors)
            drop.build.errors.add(std::move(e));
        return drop;
    };
    const std::map<size_t, ExportQuestionNeed> both =
        exportQuestions(failed({{u"a.csv"_s, 2, {ImportKind::NoCode}},
                                {u"b.csv"_s,
                                 2,
                                 {ImportKind::KindUnknown,
                                  -1,
                                  {u"600036"_s, u"2024-06-30"_s, u"c.csv:2"_s, u"十大股东"_s}}}}),
                        exports);
    QCOMPARE(both.size(), size_t(2));
    QVERIFY(both.at(0).codeAndDate);
    QVERIFY(!both.at(1).codeAndDate);
    QVERIFY(!both.at(0).why.isEmpty());
    QVERIFY(exportQuestions(failed({{u"a.csv"_s, 2, {ImportKind::NoCode}},
                                    {u"a.csv"_s, 3, {ImportKind::NoShares}}}),
                            exports)
                .empty());
    QVERIFY(exportQuestions(failed({{u"kept-before.csv"_s, 2, {ImportKind::NoDate}}}), exports)
                .empty());
}

QTEST_MAIN(NewDataWindowTest)
#include "tst_new_data_window.moc"
