<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>CommandLine</name>
    <message>
        <source>unknown option %1 (put -- before an argument that starts with &apos;-&apos;)</source>
        <translation>未知选项 %1（以“-”开头的参数，请在它前面加 --）</translation>
    </message>
    <message>
        <source>%1 takes no value</source>
        <translation>%1 不带值</translation>
    </message>
    <message>
        <source>%1 needs a value</source>
        <translation>%1 需要一个值</translation>
    </message>
</context>
<context>
    <name>DropReport</name>
    <message>
        <source>, </source>
        <translation>、</translation>
    </message>
    <message>
        <source>Deleted: %1</source>
        <translation>已删除：%1</translation>
    </message>
    <message>
        <source>Imported: %1</source>
        <translation>已导入：%1</translation>
    </message>
    <message>
        <source>%1 is kept beside %2, imported before: that one holds report periods this one does not.</source>
        <translation>%1 与以前导入的 %2 都保留：%2 含有 %1 没有的报告期。</translation>
    </message>
    <message>
        <source>%1 takes the place of the file of that name imported before: it holds every report period that one held.</source>
        <translation>%1 替换了以前导入的同名文件：它含有那个文件的全部报告期。</translation>
    </message>
    <message>
        <source>Not read: %1 (only CSV and text files are imported).</source>
        <translation>没有读取：%1（只导入 CSV 和文本文件）。</translation>
    </message>
    <message>
        <source>Data file: %1</source>
        <translation>数据文件：%1</translation>
    </message>
    <message>
        <source>%1 stocks.</source>
        <translation>共 %1 只股票。</translation>
    </message>
    <message>
        <source>%1 stocks, report date %2 (1 period).</source>
        <translation>共 %1 只股票，报告期 %2（1 期）。</translation>
    </message>
    <message>
        <source>%1 stocks, report dates %2 to %3 (%4 periods).</source>
        <translation>共 %1 只股票，报告期 %2 至 %3（%4 期）。</translation>
    </message>
    <message>
        <source>No files are imported any more; the data file made from them is deleted.</source>
        <translation>已没有导入的文件；由它们生成的数据文件已删除。</translation>
    </message>
    <message>
        <source>Made from %1 exports, kept in %2.</source>
        <translation>由 %1 个导出文件生成，它们保存在 %2。</translation>
    </message>
    <message>
        <source>Note: at the next start %1 answers, not this data file; delete or rename it to let this one answer.</source>
        <translation>注意：下次启动时回答的是 %1，不是这个数据文件。要让这个数据文件回答，请删除或改名 %1。</translation>
    </message>
    <message>
        <source>Note: %1</source>
        <translation>提示：%1</translation>
    </message>
    <message>
        <source>The data file is unchanged, and the files dropped are not kept.</source>
        <translation>数据文件没有改变，导入的文件也没有保存。</translation>
    </message>
    <message>
        <source>The data file and the files imported are unchanged.</source>
        <translation>数据文件和已导入的文件都没有改变。</translation>
    </message>
    <message>
        <source>… and %1 more errors</source>
        <translation>……另有 %1 个错误</translation>
    </message>
    <message>
        <source>The files have an error.</source>
        <translation>文件有 1 处错误。</translation>
    </message>
    <message>
        <source>The files have %1 errors.</source>
        <translation>文件有 %1 处错误。</translation>
    </message>
    <message>
        <source>The files dropped hold no holders.</source>
        <translation>导入的文件里没有股东数据。</translation>
    </message>
    <message>
        <source>Another Gegu is changing the data folder; try again in a moment.</source>
        <translation>另一个 Gegu 正在更新数据文件夹，请稍后再试。</translation>
    </message>
    <message>
        <source>The data folder cannot be written.</source>
        <translation>无法写入数据文件夹。</translation>
    </message>
    <message>
        <source>Some files could not be put back as they were:</source>
        <translation>有的文件没能恢复原样：</translation>
    </message>
    <message>
        <source>%1 is the new version now; the earlier one is kept as %2 (%3).</source>
        <translation>%1 现在是新的版本，原来的版本保存在 %2（%3）。</translation>
    </message>
    <message>
        <source>The new data file cannot be loaded; the data loaded before is still used.</source>
        <translation>新的数据文件无法载入，仍使用原来的数据。</translation>
    </message>
    <message>
        <source>The files are kept in %1, and the data file %2 is made again.</source>
        <translation>导入的文件已保存在 %1，数据文件 %2 已重新生成。</translation>
    </message>
</context>
<context>
    <name>ExportFolder</name>
    <message>
        <source>no second copy of it can be kept while it is replaced: %1</source>
        <translation>替换它时无法保留它的第二份副本：%1</translation>
    </message>
</context>
<context>
    <name>GeguCommand</name>
    <message>
        <source>cannot write to standard output</source>
        <translation>无法写入标准输出</translation>
    </message>
    <message>
        <source>Usage: gegu [--help | --version]
Opens Gegu&apos;s window, which looks up the major shareholders of listed Chinese stocks
in its data file, gegusj.rar: type a stock code for that stock&apos;s holder table, or
(part of) a holder&apos;s name for every holder row whose name field contains it.
The data file is the first gegusj.rar found in the current directory, in the
%1
Exports dropped onto the window are kept in the user&apos;s data folder, and the
data file there is built from them.
Other arguments are ignored. The same queries from a terminal: gegu-query.

Options:
  -h, --help     Show this help and exit.
  -v, --version  Show the version and exit.

Exit status: 0 when the window is closed, 1 when the data file cannot be loaded,
2 when the help or version cannot be written.
</source>
        <translation>用法：gegu [--help | --version]
打开 Gegu 的窗口，从数据文件 gegusj.rar 中查询上市公司的主要股东：输入证券代码，
显示该股票的股东表；输入股东名称（或其中一部分），列出名称栏含有它的每一行股东。
数据文件是按以下顺序找到的第一个 gegusj.rar：当前目录、
%1
拖到窗口上的导出文件保存在用户的数据文件夹中，那里的数据文件由它们生成。
其他参数不起作用。在终端里做同样的查询：gegu-query。

选项：
  -h, --help     显示本帮助并退出。
  -v, --version  显示版本并退出。

退出状态：关闭窗口时为 0，无法载入数据文件时为 1，无法写出帮助或版本时为 2。
</translation>
    </message>
    <message>
        <source>user&apos;s data folder (%APPDATA%\gegu\), in the machine&apos;s (%PROGRAMDATA%\gegu\),
beside the program, and last the sample that ships with Gegu (sample\).</source>
        <translation>用户的数据文件夹（%APPDATA%\gegu\）、本机的数据文件夹（%PROGRAMDATA%\gegu\）、
程序所在目录，最后是随 Gegu 附带的示例（sample\）。</translation>
    </message>
    <message>
        <source>user&apos;s data folder (~/.local/share/gegu/), in the system&apos;s
(/usr/local/share/gegu/, /usr/share/gegu/), beside the program, and last the
sample that ships with Gegu (in sample/ beside the program and in the system&apos;s
folders).</source>
        <translation>用户的数据文件夹（~/.local/share/gegu/）、系统的数据文件夹
（/usr/local/share/gegu/、/usr/share/gegu/）、程序所在目录，最后是随 Gegu 附带的
示例（程序旁的 sample/ 和系统的数据文件夹中）。</translation>
    </message>
</context>
<context>
    <name>ImportCommand</name>
    <message>
        <source>expected one or more CSV files (see --help)</source>
        <translation>缺少 CSV 文件（见 --help）</translation>
    </message>
    <message>
        <source>--encoding takes utf-8 or gbk</source>
        <translation>--encoding 的值是 utf-8 或 gbk</translation>
    </message>
    <message>
        <source>--code takes a stock code of Shanghai, Shenzhen or Beijing, such as 600036</source>
        <translation>--code 的值是沪、深、北交易所的证券代码，例如 600036</translation>
    </message>
    <message>
        <source>--date takes a date, such as 2024-06-30</source>
        <translation>--date 的值是日期，例如 2024-06-30</translation>
    </message>
    <message>
        <source>--stock-name holds %1, which GBK cannot hold</source>
        <translation>--stock-name 含有 GBK 无法表示的字符 %1</translation>
    </message>
    <message>
        <source>-o is given twice: one data file is written at a time</source>
        <translation>-o 给了两次：一次只写一个数据文件</translation>
    </message>
    <message>
        <source>%1 says something of the CSV files after it, and none follows</source>
        <translation>%1 说明的是它后面的 CSV 文件，但后面没有文件</translation>
    </message>
    <message>
        <source>the output is the input %1: writing it would replace the export (-o names another file)</source>
        <translation>输出文件就是输入文件 %1：写入会替换这个导出文件（用 -o 指定另一个文件）</translation>
    </message>
    <message>
        <source>no holder rows in the input: nothing written</source>
        <translation>输入中没有股东行：什么也没有写入</translation>
    </message>
    <message>
        <source>... and %1 more errors</source>
        <translation>……另有 %1 个错误</translation>
    </message>
    <message>
        <source>%1 errors: nothing written</source>
        <translation>%1 个错误：什么也没有写入</translation>
    </message>
    <message>
        <source>warning: %1</source>
        <translation>警告：%1</translation>
    </message>
    <message>
        <source>warning: ... and %1 more</source>
        <translation>警告：……另有 %1 个</translation>
    </message>
    <message>
        <source>cannot write to standard output</source>
        <translation>无法写入标准输出</translation>
    </message>
    <message>
        <source>%1 file</source>
        <translation>%1 个文件</translation>
    </message>
    <message>
        <source>%1 files</source>
        <translation>%1 个文件</translation>
    </message>
    <message>
        <source>%1 row</source>
        <translation>%1 行</translation>
    </message>
    <message>
        <source>%1 rows</source>
        <translation>%1 行</translation>
    </message>
    <message>
        <source>%1 (%2 kept once)</source>
        <translation>%1（%2 行重复，只保留一次）</translation>
    </message>
    <message>
        <source>%1 stock</source>
        <translation>%1 只股票</translation>
    </message>
    <message>
        <source>%1 stocks</source>
        <translation>%1 只股票</translation>
    </message>
    <message>
        <source>%1 period</source>
        <translation>%1 个报告期</translation>
    </message>
    <message>
        <source>%1 periods</source>
        <translation>%1 个报告期</translation>
    </message>
    <message>
        <source>%1 record</source>
        <translation>%1 条记录</translation>
    </message>
    <message>
        <source>%1 records</source>
        <translation>%1 条记录</translation>
    </message>
    <message>
        <source>%1 name shortened</source>
        <translation>%1 个名称缩短</translation>
    </message>
    <message>
        <source>%1 names shortened</source>
        <translation>%1 个名称缩短</translation>
    </message>
    <message>
        <source>%1 warning</source>
        <translation>%1 个警告</translation>
    </message>
    <message>
        <source>%1 warnings</source>
        <translation>%1 个警告</translation>
    </message>
    <message>
        <source>wrote %1: %2</source>
        <translation>已写入 %1：%2</translation>
    </message>
    <message>
        <source>, </source>
        <translation>，</translation>
    </message>
    <message>
        <source>%1; --force replaces it</source>
        <translation>%1；--force 可以替换它</translation>
    </message>
    <message>
        <source>--keep takes no option but --force: kept exports are read as a drop onto the window reads them</source>
        <translation>--keep 只能与 --force 一起用：保存的导出文件按拖入窗口时的方式读取</translation>
    </message>
    <message>
        <source>%1 was not built from kept exports; --force replaces it</source>
        <translation>%1 不是由保存的导出文件生成的；--force 可以替换它</translation>
    </message>
    <message>
        <source>nothing kept, %1 unchanged</source>
        <translation>什么也没有保存，%1 没有改变</translation>
    </message>
    <message>
        <source>no holder rows in the input: nothing kept, %1 unchanged</source>
        <translation>输入中没有股东行：什么也没有保存，%1 没有改变</translation>
    </message>
    <message>
        <source>another Gegu is changing %1; try again</source>
        <translation>另一个 Gegu 正在修改 %1；请再试一次</translation>
    </message>
    <message>
        <source>%1 holds the new version; the earlier one is %2 (%3)</source>
        <translation>%1 现在是新的版本；原来的版本是 %2（%3）</translation>
    </message>
    <message>
        <source>%1: nothing kept, %2 unchanged</source>
        <translation>%1：什么也没有保存，%2 没有改变</translation>
    </message>
    <message>
        <source>kept %1 in %2</source>
        <translation>已把 %1 保存在 %2</translation>
    </message>
    <message>
        <source>wrote %1 from %2: %3</source>
        <translation>已由 %2 写入 %1：%3</translation>
    </message>
    <message>
        <source>%1 kept export</source>
        <translation>%1 个保存的导出文件</translation>
    </message>
    <message>
        <source>%1 kept exports</source>
        <translation>%1 个保存的导出文件</translation>
    </message>
    <message>
        <source>note: %1 answers in its place where Gegu starts here; remove or rename it to let %2 answer</source>
        <translation>注意：在这里启动 Gegu 时回答的是 %1；删除或改名它，才会由 %2 回答</translation>
    </message>
    <message>
        <source>reading %1 %2%</source>
        <translation>正在读取 %1 %2%</translation>
    </message>
    <message>
        <source>Usage: gegu-import [options] [[file options] CSV...]...
       gegu-import --keep [--force] CSV...
Builds Gegu&apos;s data file (gegusj.rar) from exports of top-ten-holder tables, one
row per holder, as data libraries, brokers&apos; terminals and spreadsheets write
them: comma-, tab- or semicolon-separated, in UTF-8, UTF-16 (with a byte order
mark) or GBK. Columns are found by their header&apos;s name, in any order, with or
without a unit in brackets (持股数量(股), 持股数量（万股）, 占总股本比例(%)).
Required: the holder&apos;s name (股东名称, holder_name) and the shares held (持股数,
持股数量, 期末持股-数量, hold_amount); the stock code (证券代码, 股票代码, code,
ts_code, ...) and the report date (截止日期, 报告期, end_date, ...) too, unless
a title line above the header names them (招商银行(600036) 十大股东 截止日期：
2024-06-30) or the file options give them. Read when present: the stock name,
the ratio, the float ratio, the share type, the change and the rank.

What cannot be read with certainty is an error naming FILE:LINE, and then
nothing is written: a bad row, rows of one holding that disagree, a number
that reads two ways, a title that names two codes. Holders&apos; names too long
for the name column are shortened, each holder the same everywhere.

Options:
  -o, --output OUT        The data file to write (default: gegusj.rar in the
                          current directory); missing folders are made. Once.
  --force                 Replace OUT if it exists (never a read-only file).
  --keep                  Do what a drop onto Gegu&apos;s window does: keep the
                          exports in the user&apos;s data folder (beside its
                          gegusj.rar, in exports/) and build that data file
                          again from every export kept there, every period
                          kept. Only --force goes with it (to replace a data
                          file there that was not built from kept exports).
  --history               One record per stock and report date, newest first
                          (default: each stock&apos;s latest date only).
  --full-names            Holders&apos; names whole, however long.
  --names FILE            A CSV of stock codes and names, for exports without a
                          name column.
File options, for the CSV files after them, until given again:
  --code CODE             The stock code of exports that have none.
  --stock-name NAME       The stock name of exports that have none.
  --date DATE             The report date of exports that have none.
  --float                 Top-ten float holders: titles the records so and uses
                          the float ratio column.
  --encoding utf-8|gbk    The encoding (default: found per file).
  -h, --help              Show this help and exit.
  -v, --version           Show the version and exit.

Arguments:
  CSV                     One or more exports.

Example: two stocks&apos; exports that name neither their stock nor their date:
  gegu-import --date 2024-06-30 --code 600036 a.csv --code 600000 b.csv

Exit status: 0 when the data file was written, 2 on any error (then nothing is
written).
</source>
        <translation>用法：gegu-import [选项] [[文件选项] CSV...]...
      gegu-import --keep [--force] CSV...
用数据库、证券软件和电子表格导出的十大股东表格（每个股东一行）生成 Gegu 的
数据文件（gegusj.rar）：以逗号、制表符或分号分隔，编码为 UTF-8、UTF-16（带字节
顺序标记）或 GBK。各列按标题行中的列名识别，顺序不限，列名可以带括号里的单位
（持股数量(股)、持股数量（万股）、占总股本比例(%)）。
必须有：股东名称（股东名称、holder_name）和持股数（持股数、持股数量、
期末持股-数量、hold_amount）；还要有证券代码（证券代码、股票代码、code、
ts_code……）和报告期（截止日期、报告期、end_date……），除非标题行上方的
标题写明了它们（招商银行(600036) 十大股东 截止日期：2024-06-30），或由文件选项
给出。有则读取：股票简称、占比、流通股占比、股份性质、增减和名次。

不能确定读对的内容都是错误，注明“文件:行”，然后什么也不写：有错的行、同一项
持股互相矛盾的行、可以读成两种数值的数字、写有两个代码的标题。股东名称太长、
放不进名称栏的会缩短，同一股东处处相同。

选项：
  -o, --output OUT        要写的数据文件（默认：当前目录中的 gegusj.rar）；
                          缺少的文件夹会建立。只能给一次。
  --force                 OUT 已存在时替换它（只读的文件不替换）。
  --keep                  做拖入 Gegu 窗口时所做的事：把导出文件保存到用户的
                          数据文件夹（它的 gegusj.rar 旁边的 exports/ 中），
                          并用那里保存的全部导出文件、全部报告期重新生成那个
                          数据文件。只能与 --force 一起用（替换那里不是由
                          保存的导出文件生成的数据文件）。
  --history               每只股票每个报告期一条记录，最新的在前（默认：每只
                          股票只取最新的报告期）。
  --full-names            股东名称保持完整，不论多长。
  --names FILE            证券代码和简称的 CSV，用于没有简称列的导出文件。
文件选项，用于它后面的 CSV 文件，直到再次给出：
  --code CODE             没有证券代码的导出文件的代码。
  --stock-name NAME       没有股票简称的导出文件的简称。
  --date DATE             没有报告期的导出文件的报告期。
  --float                 十大流通股东：记录标为十大流通股东，并使用流通股
                          占比列。
  --encoding utf-8|gbk    编码（默认：逐个文件识别）。
  -h, --help              显示本帮助并退出。
  -v, --version           显示版本并退出。

参数：
  CSV                     一个或多个导出文件。

示例：两只股票的导出文件，都没有写明股票和报告期：
  gegu-import --date 2024-06-30 --code 600036 a.csv --code 600000 b.csv

退出状态：写出数据文件时为 0，有任何错误时为 2（这时什么也不写）。
</translation>
    </message>
</context>
<context>
    <name>ImportMessage</name>
    <message>
        <source>the stock code</source>
        <translation>证券代码</translation>
    </message>
    <message>
        <source>the stock name</source>
        <translation>股票简称</translation>
    </message>
    <message>
        <source>the report date</source>
        <translation>报告期</translation>
    </message>
    <message>
        <source>the holder&apos;s name</source>
        <translation>股东名称</translation>
    </message>
    <message>
        <source>the shares held</source>
        <translation>持股数</translation>
    </message>
    <message>
        <source>the ratio</source>
        <translation>占比</translation>
    </message>
    <message>
        <source>the share type</source>
        <translation>股份性质</translation>
    </message>
    <message>
        <source>the change</source>
        <translation>增减</translation>
    </message>
    <message>
        <source>the rank</source>
        <translation>名次</translation>
    </message>
    <message>
        <source>a number of shares</source>
        <translation>股数</translation>
    </message>
    <message>
        <source>a percentage</source>
        <translation>百分比</translation>
    </message>
    <message>
        <source>a change</source>
        <translation>增减数</translation>
    </message>
    <message>
        <source>a rank</source>
        <translation>名次</translation>
    </message>
    <message>
        <source>a number</source>
        <translation>数字</translation>
    </message>
    <message>
        <source>, </source>
        <translation>、</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1（%2）</translation>
    </message>
    <message>
        <source>&quot;%1&quot;</source>
        <translation>“%1”</translation>
    </message>
    <message>
        <source>cannot be read: %1</source>
        <translation>无法读取：%1</translation>
    </message>
    <message>
        <source>cannot be read: changed while it was read</source>
        <translation>无法读取：读取时文件被改动了</translation>
    </message>
    <message>
        <source>cannot be read: too large for the memory available</source>
        <translation>无法读取：文件太大，可用内存放不下</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>内存不足</translation>
    </message>
    <message>
        <source>not well-formed CSV: a quote inside a field that is not quoted, or after one</source>
        <translation>CSV 格式不对：没有加引号的字段里有引号，或引号后还有内容</translation>
    </message>
    <message>
        <source>not well-formed CSV: a quoted field that never ends</source>
        <translation>CSV 格式不对：加引号的字段没有结束</translation>
    </message>
    <message>
        <source>is empty: it has no header row</source>
        <translation>是空文件：没有标题行</translation>
    </message>
    <message>
        <source>has no header row: no line names %1 and %2</source>
        <translation>没有标题行：没有一行写有%1和%2</translation>
    </message>
    <message>
        <source>a spreadsheet&apos;s own file (.xlsx or .xls), not text: save it from the spreadsheet as CSV or as Unicode text</source>
        <translation>这是电子表格自己的文件（.xlsx 或 .xls），不是文本：请在电子表格中把它另存为 CSV 或 Unicode 文本</translation>
    </message>
    <message>
        <source>a byte that is not UTF-8, where the rest of the file is UTF-8: save the file as UTF-8 again (or, if all of it is GBK, --encoding gbk reads it so)</source>
        <translation>文件其余部分是 UTF-8，这里有一个不是 UTF-8 的字节：请重新把文件存为 UTF-8（如果整个文件都是 GBK，用 --encoding gbk 读取）</translation>
    </message>
    <message>
        <source>text that is not UTF-8 (GBK, or another encoding), where the rest of the file is UTF-8: save the whole file in one encoding</source>
        <translation>文件其余部分是 UTF-8，这里的文字不是 UTF-8（是 GBK 或别的编码）：请把整个文件存为同一种编码</translation>
    </message>
    <message>
        <source>UTF-8 text, where the rest of the file is GBK: save the whole file in one encoding</source>
        <translation>文件其余部分是 GBK，这里的文字是 UTF-8：请把整个文件存为同一种编码</translation>
    </message>
    <message>
        <source>neither UTF-8 nor GBK (--encoding utf-8 or gbk says which the file is)</source>
        <translation>既不是 UTF-8 也不是 GBK（用 --encoding utf-8 或 gbk 指明文件的编码）</translation>
    </message>
    <message>
        <source>reads as well in UTF-8 as in GBK: --encoding utf-8 or --encoding gbk says which it is</source>
        <translation>按 UTF-8 和按 GBK 都读得通：用 --encoding utf-8 或 --encoding gbk 指明是哪一种</translation>
    </message>
    <message>
        <source>%1 holds characters read as GBK among Latin letters: if they stand for a quote or a dash, the file is in another encoding (Windows-1252); save it as UTF-8</source>
        <translation>%1 在拉丁字母中间有按 GBK 读出的字符：如果它们本来是引号或破折号，文件用的是另一种编码（Windows-1252）；请把它存为 UTF-8</translation>
    </message>
    <message>
        <source>no column for %1</source>
        <translation>没有%1列</translation>
    </message>
    <message>
        <source>no column for %1, nor a code in a title above it or --code</source>
        <translation>没有%1列，上方的标题里也没有代码，也没有 --code</translation>
    </message>
    <message>
        <source>no column for %1, nor a date in a title above it or --date</source>
        <translation>没有%1列，上方的标题里也没有日期，也没有 --date</translation>
    </message>
    <message>
        <source>the title names the codes %1 and marks none as the stock&apos;s (招商银行(600036), 600036.SH, 代码：600036); --code gives it</source>
        <translation>标题写有代码 %1，但没有标明哪个是这只股票的（招商银行(600036)、600036.SH、代码：600036）；用 --code 给出</translation>
    </message>
    <message>
        <source>the title names the dates %1 and marks none as 截止日期 or 报告期; --date gives it</source>
        <translation>标题写有日期 %1，但没有标明哪个是截止日期或报告期；用 --date 给出</translation>
    </message>
    <message>
        <source>%1 is a ratio of all shares; float holders need the ratio of the float (%2)</source>
        <translation>%1 是占总股本的比例；十大流通股东需要占流通股的比例（%2）</translation>
    </message>
    <message>
        <source>%1: %2 is not a unit of shares (股, 万股, 亿股)</source>
        <translation>%1：%2 不是股数的单位（股、万股、亿股）</translation>
    </message>
    <message>
        <source>%1: %2 is not a unit of a ratio (%)</source>
        <translation>%1：%2 不是比例的单位（%）</translation>
    </message>
    <message>
        <source>%1: a column of text, with the unit %2</source>
        <translation>%1：文字列，却带有单位 %2</translation>
    </message>
    <message>
        <source>columns not used: %1</source>
        <translation>没有使用的列：%1</translation>
    </message>
    <message>
        <source>code %1</source>
        <translation>代码 %1</translation>
    </message>
    <message>
        <source>name %1</source>
        <translation>简称 %1</translation>
    </message>
    <message>
        <source>date %1</source>
        <translation>报告期 %1</translation>
    </message>
    <message>
        <source>read from its title: %1</source>
        <translation>从标题读出：%1</translation>
    </message>
    <message>
        <source>table %1</source>
        <translation>%1</translation>
    </message>
    <message>
        <source>read from its file name: %1</source>
        <translation>从文件名读出：%1</translation>
    </message>
    <message>
        <source>says neither 十大股东 nor 十大流通股东: read as 十大股东 (--float, a title or 十大流通股东 in the file&apos;s name marks float holders)</source>
        <translation>未说明是十大股东还是十大流通股东，按十大股东读入（--float、标题或文件名中的“十大流通股东”表示流通股东）</translation>
    </message>
    <message>
        <source>the table of %1 on %2 says neither 十大股东 nor 十大流通股东, and the one at %3 is of %4: a title line, --float, or 十大股东 or 十大流通股东 in this file&apos;s name says which it is</source>
        <translation>%1 在 %2 的这张表没有说明是十大股东还是十大流通股东，而 %3 的那张是%4：用一行标题、--float，或在这个文件名中加上“十大股东”或“十大流通股东”来说明</translation>
    </message>
    <message>
        <source>a title with no header row under it</source>
        <translation>标题下面没有标题行（列名）</translation>
    </message>
    <message>
        <source>1 field where the header has %1</source>
        <translation>只有 1 个字段，而标题行有 %1 个</translation>
    </message>
    <message>
        <source>%1 fields where the header has %2</source>
        <translation>有 %1 个字段，而标题行有 %2 个</translation>
    </message>
    <message>
        <source>a holder row after the note on line %1 that ends its table</source>
        <translation>第 %1 行的注释已经结束了表格，后面还有股东行</translation>
    </message>
    <message>
        <source>not a stock code: %1</source>
        <translation>不是证券代码：%1</translation>
    </message>
    <message>
        <source>no stock code</source>
        <translation>没有证券代码</translation>
    </message>
    <message>
        <source>not a date: %1</source>
        <translation>不是日期：%1</translation>
    </message>
    <message>
        <source>no report date</source>
        <translation>没有报告期</translation>
    </message>
    <message>
        <source>not %1: %2</source>
        <translation>不是%1：%2</translation>
    </message>
    <message>
        <source>not %1: %2 (thousands are separated every three digits)</source>
        <translation>不是%1：%2（千位分隔符应每三位一个）</translation>
    </message>
    <message>
        <source>%1 %2 holds %3 significant digits of a count of %4: a spreadsheet rounded it. Format the column as a number without decimals (not General) and export again</source>
        <translation>%1 %2 只有 %3 位有效数字，而这个数有 %4 位：被电子表格四舍五入了。请把这一列设为不带小数的数值格式（不要用“常规”），再导出</translation>
    </message>
    <message>
        <source>%1 %2 reads as %3 or as %4, and no other number in the file shows whether a point is its decimal mark: export the numbers without thousands separators</source>
        <translation>%1 %2 可以读成 %3，也可以读成 %4，文件中也没有别的数字能说明点是不是小数点：请导出不带千位分隔符的数字</translation>
    </message>
    <message>
        <source>%1 has a decimal point, but %2 on line %3 a decimal comma: export the file with one decimal mark</source>
        <translation>%1 用小数点，而第 %3 行的 %2 用小数逗号：请用同一种小数符号导出文件</translation>
    </message>
    <message>
        <source>%1 has a decimal comma, but %2 on line %3 a decimal point: export the file with one decimal mark</source>
        <translation>%1 用小数逗号，而第 %3 行的 %2 用小数点：请用同一种小数符号导出文件</translation>
    </message>
    <message>
        <source>no number of shares</source>
        <translation>没有持股数</translation>
    </message>
    <message>
        <source>a negative number of shares: %1</source>
        <translation>持股数为负：%1</translation>
    </message>
    <message>
        <source>more shares than any company has: %1</source>
        <translation>持股数比任何公司的总股本都多：%1</translation>
    </message>
    <message>
        <source>a change of more shares than any company has: %1</source>
        <translation>增减的股数比任何公司的总股本都多：%1</translation>
    </message>
    <message>
        <source>a ratio outside 0 to 100%: %1</source>
        <translation>比例不在 0 到 100% 之间：%1</translation>
    </message>
    <message>
        <source>not a rank: %1</source>
        <translation>不是名次：%1</translation>
    </message>
    <message>
        <source>not a change: %1 (a change is a number of shares, such as -1000000, 增持100 or 减少3000股, or words without a number, such as 新进)</source>
        <translation>不是增减：%1（增减是股数，例如 -1000000、增持100 或 减少3000股，或者不带数字的文字，例如 新进）</translation>
    </message>
    <message>
        <source>the holder&apos;s name is empty</source>
        <translation>股东名称是空的</translation>
    </message>
    <message>
        <source>%1 holds (U+%2), a control character</source>
        <translation>%1含有控制字符（U+%2）</translation>
    </message>
    <message>
        <source>%1 holds %2 (U+%3), which GBK cannot hold: %4</source>
        <translation>%1含有 GBK 无法表示的字符 %2（U+%3）：%4</translation>
    </message>
    <message>
        <source>%1 rows of stocks outside Shanghai, Shenzhen and Beijing left out, the first of %2 (Gegu holds A shares only)</source>
        <translation>略去了 %1 行沪、深、北交易所以外的股票，第一行是 %2（Gegu 只收 A 股）</translation>
    </message>
    <message>
        <source>every row is of a stock outside Shanghai, Shenzhen and Beijing, the first of %1 (Gegu holds A shares only)</source>
        <translation>每一行都是沪、深、北交易所以外的股票，第一行是 %1（Gegu 只收 A 股）</translation>
    </message>
    <message>
        <source>%1 in %2 on %3: %4 here, %5 at %6</source>
        <translation>%1 在 %2（%3）：这里是 %4，%6 是 %5</translation>
    </message>
    <message>
        <source>%1 (%2) in %3 on %4: %5 here, %6 at %7</source>
        <translation>%1（%2）在 %3（%4）：这里是 %5，%7 是 %6</translation>
    </message>
    <message>
        <source>%1 and %2 (at %3) would both be written %4; --full-names writes names whole</source>
        <translation>%1 和 %2（在 %3）都会写成 %4；--full-names 保持名称完整</translation>
    </message>
    <message>
        <source>1 earlier report period (1 record) left out: --history writes every period</source>
        <translation>略去了 1 个较早的报告期（1 条记录）：--history 写出全部报告期</translation>
    </message>
    <message>
        <source>1 earlier report period (%1 records) left out: --history writes every period</source>
        <translation>略去了 1 个较早的报告期（%1 条记录）：--history 写出全部报告期</translation>
    </message>
    <message>
        <source>%1 earlier report periods (%2 records) left out: --history writes every period</source>
        <translation>略去了 %1 个较早的报告期（%2 条记录）：--history 写出全部报告期</translation>
    </message>
    <message>
        <source>%1 holders&apos; names do not fit the name column, or are longer than the %2 characters searched; written whole</source>
        <translation>%1 个股东名称放不进名称栏，或比查询的 %2 个字符长；按完整名称写入</translation>
    </message>
    <message>
        <source>fewer fields than the header has</source>
        <translation>字段比标题行少</translation>
    </message>
    <message>
        <source>; </source>
        <translation>；</translation>
    </message>
    <message>
        <source>cannot be read: another program is writing it</source>
        <translation>无法读取：另一个程序正在写入它</translation>
    </message>
    <message>
        <source>%1 holds │, which a data file&apos;s rows keep between their columns: %2 (write it as | or ｜ in the export)</source>
        <translation>%1含有数据文件用来分隔各列的 │：%2（请在导出文件中改写为 | 或 ｜）</translation>
    </message>
</context>
<context>
    <name>ImportWindow</name>
    <message>
        <source>a byte that is not UTF-8, where the rest of the file is UTF-8: save the file as UTF-8 again and drop it again</source>
        <translation>文件其余部分是 UTF-8，这里有一个不是 UTF-8 的字节：请重新把文件存为 UTF-8，再拖进来</translation>
    </message>
    <message>
        <source>neither UTF-8 nor GBK: save the file as CSV UTF-8 or as Unicode text, then drop it again</source>
        <translation>既不是 UTF-8 也不是 GBK：请把文件另存为“CSV UTF-8”或“Unicode 文本”，再拖进来</translation>
    </message>
    <message>
        <source>reads as well in UTF-8 as in GBK: save the file as CSV UTF-8 (with its byte order mark) or as Unicode text, then drop it again</source>
        <translation>按 UTF-8 和按 GBK 都读得通：请把文件另存为“CSV UTF-8”（带字节顺序标记）或“Unicode 文本”，再拖进来</translation>
    </message>
    <message>
        <source>no column for the stock code, nor a code in a title above the table or in the file&apos;s name: answer the question when the file is dropped, or name it by its code and date (600036_2024-06-30.csv)</source>
        <translation>没有证券代码列，表格上方的标题和文件名中也没有代码：拖入时回答程序的提问，或按代码和报告期给文件命名（600036_2024-06-30.csv）</translation>
    </message>
    <message>
        <source>no column for the report date, nor a date in a title above the table or in the file&apos;s name: answer the question when the file is dropped, or name it by its code and date (600036_2024-06-30.csv)</source>
        <translation>没有报告期列，表格上方的标题和文件名中也没有日期：拖入时回答程序的提问，或按代码和报告期给文件命名（600036_2024-06-30.csv）</translation>
    </message>
    <message>
        <source>the title names the codes %1 and marks none as the stock&apos;s: answer the question when the file is dropped</source>
        <translation>标题写有代码 %1，但没有标明哪个是这只股票的：拖入时回答程序的提问</translation>
    </message>
    <message>
        <source>, </source>
        <translation>、</translation>
    </message>
    <message>
        <source>the title names the dates %1 and marks none as 截止日期 or 报告期: answer the question when the file is dropped</source>
        <translation>标题写有日期 %1，但没有标明哪个是截止日期或报告期：拖入时回答程序的提问</translation>
    </message>
    <message>
        <source>%1 and %2 (at %3) would both be written %4: shorten one of them in the file and drop it again</source>
        <translation>%1 和 %2（在 %3）都会写成 %4：请在文件中缩短其中一个名称，再拖进来</translation>
    </message>
    <message>
        <source>says neither 十大股东 nor 十大流通股东: read as 十大股东 (a title or 十大流通股东 in the file&apos;s name marks float holders)</source>
        <translation>未说明是十大股东还是十大流通股东，按十大股东读入（标题或文件名中的“十大流通股东”表示流通股东）</translation>
    </message>
    <message>
        <source>the table of %1 on %2 says neither 十大股东 nor 十大流通股东, and the one at %3 is of %4: answer the question when the file is dropped, or put 十大股东 or 十大流通股东 in its name</source>
        <translation>%1 在 %2 的这张表没有说明是十大股东还是十大流通股东，而 %3 的那张是%4：拖入时回答程序的提问，或在文件名中加上“十大股东”或“十大流通股东”</translation>
    </message>
    <message>
        <source>; </source>
        <translation>；</translation>
    </message>
    <message>
        <source>%1, line %2: %3</source>
        <translation>%1 第 %2 行：%3</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
</context>
<context>
    <name>OutputError</name>
    <message>
        <source>%1 names a folder, not a file: a file name is needed, such as %2</source>
        <translation>%1 是文件夹，不是文件：需要一个文件名，例如 %2</translation>
    </message>
    <message>
        <source>%1 is a folder: a file name is needed, such as %2</source>
        <translation>%1 是文件夹：需要一个文件名，例如 %2</translation>
    </message>
    <message>
        <source>%1 is not a regular file (only a regular file or a new name is written)</source>
        <translation>%1 不是普通文件（只写入普通文件或新的文件名）</translation>
    </message>
    <message>
        <source>%1 exists</source>
        <translation>%1 已存在</translation>
    </message>
    <message>
        <source>the folder %1 cannot be made</source>
        <translation>无法建立文件夹 %1</translation>
    </message>
    <message>
        <source>the folder %1 cannot be made: %2</source>
        <translation>无法建立文件夹 %1：%2</translation>
    </message>
    <message>
        <source>%1 cannot be written</source>
        <translation>无法写入 %1</translation>
    </message>
    <message>
        <source>%1 cannot be written: %2</source>
        <translation>无法写入 %1：%2</translation>
    </message>
    <message>
        <source>%1 is read-only</source>
        <translation>%1 是只读文件</translation>
    </message>
</context>
<context>
    <name>PortfolioAnswer</name>
    <message>
        <source>%1 %2: the data file has no report of that date (its report dates: %3 to %4, %5 dates)</source>
        <translation>%1 %2：数据文件没有这个日期的报告（它的报告期：%3 至 %4，共 %5 个）</translation>
    </message>
    <message>
        <source>a row of %1 in a table whose header (line %2) names no report date (yyyy-mm-dd): a portfolio needs every table&apos;s date</source>
        <translation>%1 的一行所在的表，表头（第 %2 行）没有报告期（yyyy-mm-dd）：持仓一览需要每张表的报告期</translation>
    </message>
    <message>
        <source>a row of %1 whose cells cannot be read (the name, then the shares in 万股, the ratio, the share type and the change, between bars │)</source>
        <translation>%1 的一行无法读出各栏（名称之后应为持股数（万股）、占比、股份性质和增减，以竖线 │ 分隔）</translation>
    </message>
    <message>
        <source>, and %1 more such rows</source>
        <translation>，另有 %1 行也是这样</translation>
    </message>
    <message>
        <source>; build the data file again with gegu-import</source>
        <translation>；请用 gegu-import 重新生成数据文件</translation>
    </message>
    <message>
        <source>the data file&apos;s headers name no report date (yyyy-mm-dd): portfolios need a data file of report periods, as gegu-import --history writes</source>
        <translation>数据文件的表头没有报告期（yyyy-mm-dd）：持仓一览需要各期报告的数据文件，例如 gegu-import --history 生成的</translation>
    </message>
    <message>
        <source>--since %1 is not before the report date %2</source>
        <translation>--since %1 不早于报告期 %2</translation>
    </message>
</context>
<context>
    <name>QLineEdit</name>
    <message>
        <source>&amp;Undo</source>
        <translation>撤销(&amp;U)</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>重做(&amp;R)</translation>
    </message>
    <message>
        <source>Cu&amp;t</source>
        <translation>剪切(&amp;T)</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>复制(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation>粘贴(&amp;P)</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>全选</translation>
    </message>
</context>
<context>
    <name>QMessageBox</name>
    <message>
        <source>Show Details...</source>
        <translation>显示详细信息...</translation>
    </message>
    <message>
        <source>Hide Details...</source>
        <translation>隐藏详细信息...</translation>
    </message>
</context>
<context>
    <name>QPlatformTheme</name>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>是(&amp;Y)</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>否(&amp;N)</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>打开</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>帮助</translation>
    </message>
</context>
<context>
    <name>QueryCommand</name>
    <message>
        <source>cannot write to standard output</source>
        <translation>无法写入标准输出</translation>
    </message>
    <message>
        <source>cannot read standard input: %1</source>
        <translation>无法读取标准输入：%1</translation>
    </message>
    <message>
        <source>cannot write the report</source>
        <translation>无法写出报告</translation>
    </message>
    <message>
        <source>expected a QUERY, --stdin or --info (see --help)</source>
        <translation>缺少查询内容 QUERY、--stdin 或 --info（见 --help）</translation>
    </message>
    <message>
        <source>standard input, line %1: not UTF-8</source>
        <translation>标准输入第 %1 行：不是 UTF-8</translation>
    </message>
    <message>
        <source>                 current directory, in the user&apos;s data folder
                 (~/.local/share/gegu/), in the system&apos;s (/usr/local/share/gegu/,
                 /usr/share/gegu/), beside the program, and last the sample
                 that ships with Gegu (sample/ beside the program and in the
                 system&apos;s folders); XDG_DATA_HOME and XDG_DATA_DIRS are
                 honoured.</source>
        <translation>                 当前目录、用户的数据文件夹（~/.local/share/gegu/）、系统的
                 数据文件夹（/usr/local/share/gegu/、/usr/share/gegu/）、
                 程序所在目录，最后是随 Gegu 附带的示例（程序旁的 sample/ 和
                 系统的数据文件夹中）；遵从 XDG_DATA_HOME 和 XDG_DATA_DIRS。</translation>
    </message>
    <message>
        <source>                 current directory, in the user&apos;s data folder (%APPDATA%\gegu\),
                 in the machine&apos;s (%PROGRAMDATA%\gegu\), beside the program,
                 and last the sample that ships with Gegu
                 (sample\ beside the program).</source>
        <translation>                 当前目录、用户的数据文件夹（%APPDATA%\gegu\）、本机的数据
                 文件夹（%PROGRAMDATA%\gegu\）、程序所在目录，最后是随 Gegu
                 附带的示例（程序旁的 sample\）。</translation>
    </message>
    <message>
        <source>warning: %1:1: no record count; is this a data file?</source>
        <translation>警告：%1:1: 没有记录数；这是数据文件吗？</translation>
    </message>
    <message>
        <source>%1 goes with --portfolio (see --help)</source>
        <translation>%1 要与 --portfolio 一起用（见 --help）</translation>
    </message>
    <message>
        <source>%1: not a date (yyyy-mm-dd): %2</source>
        <translation>%1：不是日期（yyyy-mm-dd）：%2</translation>
    </message>
    <message>
        <source>--all-periods does not go with --portfolio</source>
        <translation>--all-periods 不能与 --portfolio 一起用</translation>
    </message>
    <message>
        <source>--since must be before --date</source>
        <translation>--since 必须早于 --date</translation>
    </message>
    <message>
        <source>--portfolio expects a holder&apos;s NAME or --stdin (see --help)</source>
        <translation>--portfolio 需要股东名称 NAME 或 --stdin（见 --help）</translation>
    </message>
    <message>
        <source>a holder&apos;s name is empty</source>
        <translation>股东名称是空的</translation>
    </message>
    <message>
        <source>Usage: gegu-query [options] [--] QUERY...
       gegu-query --portfolio [--date DATE] [--since DATE] [options] [--] NAME...
Looks up the major shareholders of listed Chinese stocks in Gegu&apos;s data file.
A stock code (0 &lt; code &lt; 1000000) prints that stock&apos;s holder table; any other text
lists every holder row whose name contains it. Several queries are answered one
after the other from one load of the data file. With --portfolio, each NAME is a
holder&apos;s, and its portfolio across every stock is printed.

Options:
  --data FILE    Data file to read. Default: the first gegusj.rar found in the
%1
  --stdin        Read queries from standard input too, one a line (UTF-8),
                 after those given as arguments; blank lines are skipped.
  --all-periods  A stock code prints every period of the stock that the data
                 file holds, newest first, each as its own holder table.
  --info         Print what the data file holds, one &quot;key: value&quot; a line
                 (path, size, records, stocks, rows, dates, oldest date,
                 newest date, sample, looks like a data file), before any
                 QUERY&apos;s report.
  --portfolio    Every QUERY (and line of --stdin) is a holder&apos;s name as the
                 data file writes it, blanks around it trimmed, matched
                 exactly: print the holder&apos;s portfolio at a report date, a row
                 a share type in each stock&apos;s 十大股东 or 十大流通股东 table
                 with a report of that date, and a summary (stocks held, 万股
                 by table). A stock without a report of that date is listed
                 apart with its latest earlier one (无该期报告), outside the
                 totals.
  --date DATE    With --portfolio: the report date (yyyy-mm-dd or yyyymmdd);
                 default the data file&apos;s newest.
  --since DATE   With --portfolio: compare with an earlier report date, per
                 stock and table: 新进, 退出 (out of the top holders; it may
                 still hold shares below them), 增持 or 减持 (the difference
                 in 万股 and in ratio points), 不变, or 无可比报告 where the
                 stock lacks a report of either date.
  --lf           End lines with LF instead of CR LF.
  --tsv          Print one line per holder row shown, tab-separated and
                 LF-ended, under a header line: query, code, stock, date,
                 holder, shares (in 10,000 shares), ratio (%), type (of
                 share), change and table (十大股东 or 十大流通股东), from
                 the stock&apos;s header line and the row&apos;s cells. A row whose
                 cells cannot be read has its text as the holder and the other
                 cells empty. Tabs and line breaks inside a field become
                 blanks. With --portfolio, one line a holding:
                 holder, code, stock, table, date, shares, ratio, type,
                 change, rank and status (持有, 无该期报告); with --since the
                 status compares (新进 ... 无可比报告) and since_shares,
                 since_ratio, shares_change and ratio_change follow.
  -h, --help     Show this help and exit.
  -v, --version  Show the version and exit.

Arguments:
  QUERY          Text as typed into the query box; put -- before a query that
                 starts with &apos;-&apos;.

Output: the text of Gegu&apos;s output box, as UTF-8 with CR LF line ends, the
reports of several queries one after the other.
Exit status: 0 when any query found something (or --info alone printed; with
--portfolio, when any holder holds anything at the date), 1 when none did, 2 on
a data file, argument, input or output error (also a date the data file has no
report of, or a row of the holder that cannot be read, named by file and line:
no portfolio is printed then). A reader that closes the pipe early (| head)
ends gegu-query quietly, as it ends grep: by SIGPIPE.
</source>
        <translation>用法：gegu-query [选项] [--] QUERY...
      gegu-query --portfolio [--date DATE] [--since DATE] [选项] [--] NAME...
在 Gegu 的数据文件中查询上市公司的主要股东。
证券代码（0 &lt; 代码 &lt; 1000000）输出该股票的股东表；其他文字列出名称中含有它的
每一行股东。多个查询依次回答，数据文件只载入一次。用 --portfolio 时，每个 NAME
是一个股东的名称，输出它在全部股票中的持仓。

选项：
  --data FILE    要读取的数据文件。默认为按以下顺序找到的第一个 gegusj.rar：
%1
  --stdin        也从标准输入读取查询，每行一个（UTF-8），排在参数中的查询
                 之后；空行跳过。
  --all-periods  证券代码输出数据文件中该股票的每一期，最新的在前，每期一张
                 股东表。
  --info         输出数据文件的概况，每行一个“key: value”（path、size、
                 records、stocks、rows、dates、oldest date、newest date、
                 sample、looks like a data file），在各查询的报告之前。
  --portfolio    每个 QUERY（以及 --stdin 的每一行）是数据文件中写出的股东
                 名称，去掉前后空格，完全匹配：输出该股东在某个报告期的持仓，
                 每只股票的十大股东表或十大流通股东表中有该期报告的，每种股份
                 一行，以及汇总（持有的股票数，按表计的万股）。没有该期报告的
                 股票另外列出，按其最近的较早一期，不计入合计（无该期报告）。
  --date DATE    与 --portfolio 一起用：报告期（yyyy-mm-dd 或 yyyymmdd）；
                 默认为数据文件中最新的。
  --since DATE   与 --portfolio 一起用：按股票和表与较早的报告期比较：新进、
                 退出（不在前十名之列；可能仍持有前十名以外的股份）、增持或
                 减持（万股和占比的差）、不变，或无可比报告（股票缺少其中一期
                 的报告）。
  --lf           行尾用 LF，而不是 CR LF。
  --tsv          每个显示的股东行输出一行，以制表符分隔、以 LF 结尾，第一行
                 是标题：query（查询）、code（代码）、stock（股票）、date
                 （报告期）、holder（股东）、shares（持股数，万股）、ratio
                 （占比，%）、type（股份性质）、change（增减）和 table
                 （十大股东或十大流通股东），取自股票的标题行和该行的各栏。
                 无法读出各栏的行，整行作为股东，其他栏为空。栏内的制表符和
                 换行变为空格。用 --portfolio 时，每项持仓一行：holder、
                 code、stock、table、date、shares、ratio、type、change、rank
                 和 status（持有、无该期报告）；用 --since 时 status 为比较
                 结果（新进……无可比报告），其后是 since_shares、since_ratio、
                 shares_change 和 ratio_change。
  -h, --help     显示本帮助并退出。
  -v, --version  显示版本并退出。

参数：
  QUERY          与在查询框中输入的相同；以“-”开头的查询前请加 --。

输出：Gegu 输出框中的文字，UTF-8 编码，行尾为 CR LF；多个查询的报告依次输出。
退出状态：有查询找到内容（或只输出了 --info；用 --portfolio 时，有股东在该期
持有股份）时为 0，都没找到时为 1，数据文件、参数、输入或输出出错时为 2（包括
数据文件没有该日期的报告，或股东的某一行无法读出，会注明文件和行：这时不输出
持仓）。读取方提前关闭管道（| head）时，gegu-query 与 grep 一样由 SIGPIPE 悄然
结束。
</translation>
    </message>
</context>
<context>
    <name>ReportControl</name>
    <message>
        <source>Undo</source>
        <translation>撤销</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>重做</translation>
    </message>
    <message>
        <source>Cut</source>
        <translation>剪切</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>复制</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>粘贴</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>全选</translation>
    </message>
</context>
<context>
    <name>RuntimeError</name>
    <message>
        <source>this Qt was built without ICU and the system has no code page 936</source>
        <translation>所用的 Qt 构建时未带 ICU，系统也没有代码页 936</translation>
    </message>
    <message>
        <source>this Qt was built without ICU</source>
        <translation>所用的 Qt 构建时未带 ICU</translation>
    </message>
    <message>
        <source>GBK (code page 936) cannot be decoded: %1</source>
        <translation>无法解码 GBK（代码页 936）：%1</translation>
    </message>
    <message>
        <source>Overflow</source>
        <translation>溢出</translation>
    </message>
    <message>
        <source>Out of memory</source>
        <translation>内存溢出</translation>
    </message>
    <message>
        <source>Subscript out of range</source>
        <translation>下标越界</translation>
    </message>
    <message>
        <source>Error in loading DLL</source>
        <translation>DLL 加载错误</translation>
    </message>
    <message>
        <source>File not found</source>
        <translation>文件未找到</translation>
    </message>
    <message>
        <source>Device I/O error</source>
        <translation>设备 I/O 错误</translation>
    </message>
    <message>
        <source>Input past end of file</source>
        <translation>输入超出文件尾</translation>
    </message>
    <message>
        <source>Permission denied</source>
        <translation>拒绝的权限</translation>
    </message>
    <message>
        <source>Path/File access error</source>
        <translation>路径/文件访问错误</translation>
    </message>
    <message>
        <source>Unknown error</source>
        <translation>未知错误</translation>
    </message>
    <message>
        <source>runtime error %1: %2</source>
        <translation>运行时错误 %1：%2</translation>
    </message>
    <message>
        <source>: %1</source>
        <translation>：%1</translation>
    </message>
    <message>
        <source>file &quot;%1&quot;</source>
        <translation>文件“%1”</translation>
    </message>
    <message>
        <source>, line %1</source>
        <translation>，第 %1 行</translation>
    </message>
    <message>
        <source>&quot;%1&quot;</source>
        <translation>“%1”</translation>
    </message>
    <message>
        <source>; looked in %1</source>
        <translation>；查找位置：%1</translation>
    </message>
    <message>
        <source>, </source>
        <translation>、</translation>
    </message>
    <message>
        <source> (%1)</source>
        <translation>（%1）</translation>
    </message>
</context>
<context>
    <name>Startup</name>
    <message>
        <source>Another Gegu is changing the data folder.</source>
        <translation>另一个 Gegu 正在更新数据文件夹。</translation>
    </message>
    <message>
        <source>The exports kept in the data folder and the data file made from them do not agree (the last import did not end, or an export was changed), and the data file cannot be made again; the data file as it is answers.</source>
        <translation>数据文件夹里保存的导出文件与数据文件不一致（上次导入没有完成，或者导出文件被改动过），但无法重新生成数据文件，仍使用原来的数据文件。</translation>
    </message>
</context>
<context>
    <name>gegu::CourseChart</name>
    <message>
        <source>Holding chart</source>
        <translation>持股变化图</translation>
    </message>
    <message>
        <source>; </source>
        <translation>；</translation>
    </message>
    <message>
        <source>Shares (万股)</source>
        <translation>持股数(万股)</translation>
    </message>
    <message>
        <source>Ratio (%)</source>
        <translation>占比(%)</translation>
    </message>
</context>
<context>
    <name>gegu::ExportQuestion</name>
    <message>
        <source>What is this file?</source>
        <translation>这个文件是什么？</translation>
    </message>
    <message>
        <source>%1 does not say which stock and report period its table is of:
%2

Say it here; Gegu keeps the answer in the name the file is kept under.</source>
        <translation>%1 没有说明它的表格是哪只股票、哪个报告期的：
%2

请在这里填写；Gegu 把回答记在保存这个文件所用的文件名里。</translation>
    </message>
    <message>
        <source>%1 does not say whether its table is 十大股东 or 十大流通股东:
%2

Say it here; Gegu keeps the answer in the name the file is kept under.</source>
        <translation>%1 没有说明它的表格是十大股东还是十大流通股东：
%2

请在这里选择；Gegu 把回答记在保存这个文件所用的文件名里。</translation>
    </message>
    <message>
        <source>Stock code:</source>
        <translation>证券代码：</translation>
    </message>
    <message>
        <source>Q1 report (03-31)</source>
        <translation>一季报（03-31）</translation>
    </message>
    <message>
        <source>Half-year report (06-30)</source>
        <translation>中报（06-30）</translation>
    </message>
    <message>
        <source>Q3 report (09-30)</source>
        <translation>三季报（09-30）</translation>
    </message>
    <message>
        <source>Annual report (12-31)</source>
        <translation>年报（12-31）</translation>
    </message>
    <message>
        <source>Report period:</source>
        <translation>报告期：</translation>
    </message>
    <message>
        <source>Year</source>
        <translation>年份</translation>
    </message>
    <message>
        <source>Table:</source>
        <translation>表格：</translation>
    </message>
</context>
<context>
    <name>gegu::HolderCourseWindow</name>
    <message>
        <source>not among the %1</source>
        <translation>不在%1之列</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
    <message>
        <source>, </source>
        <translation>，</translation>
    </message>
    <message>
        <source>Holding history: %1 (%2, %3)</source>
        <translation>持股变化：%1（%2，%3）</translation>
    </message>
    <message>
        <source>Holding table</source>
        <translation>持股变化表</translation>
    </message>
    <message>
        <source>Report date</source>
        <translation>报告期</translation>
    </message>
    <message>
        <source>Shares (万股)</source>
        <translation>持股数(万股)</translation>
    </message>
    <message>
        <source>Ratio (%)</source>
        <translation>占比(%)</translation>
    </message>
    <message>
        <source>Share type</source>
        <translation>股份性质</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>增减</translation>
    </message>
    <message>
        <source>Rank</source>
        <translation>名次</translation>
    </message>
</context>
<context>
    <name>gegu::KeptExportsWindow</name>
    <message>
        <source>Files imported</source>
        <translation>已导入的文件</translation>
    </message>
    <message>
        <source>File</source>
        <translation>文件</translation>
    </message>
    <message>
        <source>Stocks</source>
        <translation>股票数</translation>
    </message>
    <message>
        <source>Report dates</source>
        <translation>报告期</translation>
    </message>
    <message>
        <source>Imported on</source>
        <translation>导入时间</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>Open folder</source>
        <translation>打开文件夹</translation>
    </message>
    <message>
        <source>No files are imported yet. Files dropped onto the window are kept in %1.</source>
        <translation>还没有导入文件。拖到窗口上的导出文件保存在 %1。</translation>
    </message>
    <message>
        <source>Kept in %1; the data file is made from them.</source>
        <translation>保存在 %1；数据文件由它们生成。</translation>
    </message>
    <message>
        <source>cannot be read alone: %1</source>
        <translation>无法单独读取：%1</translation>
    </message>
    <message>
        <source>%1 to %2 (%3 periods)</source>
        <translation>%1 至 %2（%3 期）</translation>
    </message>
    <message>
        <source>Delete these imported files?

%1

The data file is made again from the others; what only these hold is gone from it.</source>
        <translation>删除这些已导入的文件吗？

%1

数据文件将由其余的文件重新生成；只有这些文件才有的数据将不再保留。</translation>
    </message>
</context>
<context>
    <name>gegu::PortfolioModel</name>
    <message>
        <source>无该期报告：按该股票最近一期（%1）的报告列出，不计入合计</source>
        <translation>无该期报告：按该股票最近一期（%1）的报告列出，不计入合计</translation>
    </message>
    <message>
        <source>退出：该期已不在前十名之列；可能仍持有前十名以外的股份，数据无法显示</source>
        <translation>退出：该期已不在前十名之列；可能仍持有前十名以外的股份，数据无法显示</translation>
    </message>
    <message>
        <source>代码</source>
        <translation>代码</translation>
    </message>
    <message>
        <source>股票</source>
        <translation>股票</translation>
    </message>
    <message>
        <source>表</source>
        <translation>表</translation>
    </message>
    <message>
        <source>报告期</source>
        <translation>报告期</translation>
    </message>
    <message>
        <source>持股数(万股)</source>
        <translation>持股数(万股)</translation>
    </message>
    <message>
        <source>占比(%)</source>
        <translation>占比(%)</translation>
    </message>
    <message>
        <source>股份性质</source>
        <translation>股份性质</translation>
    </message>
    <message>
        <source>增减</source>
        <translation>增减</translation>
    </message>
    <message>
        <source>名次</source>
        <translation>名次</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>比较期(万股)</source>
        <translation>比较期(万股)</translation>
    </message>
    <message>
        <source>变化(万股)</source>
        <translation>变化(万股)</translation>
    </message>
    <message>
        <source>占比变化</source>
        <translation>占比变化</translation>
    </message>
</context>
<context>
    <name>gegu::PortfolioWindow</name>
    <message>
        <source>持仓一览：%1</source>
        <translation>持仓一览：%1</translation>
    </message>
    <message>
        <source>报告期：</source>
        <translation>报告期：</translation>
    </message>
    <message>
        <source>报告期</source>
        <translation>报告期</translation>
    </message>
    <message>
        <source>比较：</source>
        <translation>比较：</translation>
    </message>
    <message>
        <source>比较</source>
        <translation>比较</translation>
    </message>
    <message>
        <source>无</source>
        <translation>无</translation>
    </message>
    <message>
        <source>导出…</source>
        <translation>导出…</translation>
    </message>
    <message>
        <source>持仓表</source>
        <translation>持仓表</translation>
    </message>
    <message>
        <source>导出持仓一览</source>
        <translation>导出持仓一览</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV 文件 (*.csv)</translation>
    </message>
    <message>
        <source>持仓一览_%1_%2.csv</source>
        <translation>持仓一览_%1_%2.csv</translation>
    </message>
    <message>
        <source>无法保存 %1：
%2</source>
        <translation>无法保存 %1：
%2</translation>
    </message>
    <message>
        <source>报告期 %1：持有 %2 只股票。十大股东 %3 只，%4 万股；十大流通股东 %5 只，%6 万股。</source>
        <translation>报告期 %1：持有 %2 只股票。十大股东 %3 只，%4 万股；十大流通股东 %5 只，%6 万股。</translation>
    </message>
    <message>
        <source>另有 %1 只股票没有该期报告，按其最近一期报告列出（灰色），不计入合计。</source>
        <translation>另有 %1 只股票没有该期报告，按其最近一期报告列出（灰色），不计入合计。</translation>
    </message>
    <message>
        <source>与 %1 相比（按股票的每张表计）：新进 %2，退出 %3，增持 %4，减持 %5，不变 %6，无可比报告 %7。</source>
        <translation>与 %1 相比（按股票的每张表计）：新进 %2，退出 %3，增持 %4，减持 %5，不变 %6，无可比报告 %7。</translation>
    </message>
    <message>
        <source>退出：该期已不在前十名之列；它可能仍持有前十名以外的股份，数据无法显示。</source>
        <translation>退出：该期已不在前十名之列；它可能仍持有前十名以外的股份，数据无法显示。</translation>
    </message>
    <message>
        <source>无法列出持仓：%1 %2 的一行无法准确读出（名称之后应为持股数、占比、股份性质和增减，以竖线“│”分隔）。请用 gegu-import 重新生成数据文件。</source>
        <translation>无法列出持仓：%1 %2 的一行无法准确读出（名称之后应为持股数、占比、股份性质和增减，以竖线“│”分隔）。请用 gegu-import 重新生成数据文件。</translation>
    </message>
    <message>
        <source>无法列出持仓：%1 %2 的一行所在的表，表头没有报告期（yyyy-mm-dd）。请用 gegu-import 重新生成数据文件。</source>
        <translation>无法列出持仓：%1 %2 的一行所在的表，表头没有报告期（yyyy-mm-dd）。请用 gegu-import 重新生成数据文件。</translation>
    </message>
    <message>
        <source>无法列出持仓：数据文件的表头没有报告期（yyyy-mm-dd）。持仓一览需要各期的报告，请用 gegu-import --history 生成数据文件。</source>
        <translation>无法列出持仓：数据文件的表头没有报告期（yyyy-mm-dd）。持仓一览需要各期的报告，请用 gegu-import --history 生成数据文件。</translation>
    </message>
    <message>
        <source>数据文件第 %1 行：</source>
        <translation>数据文件第 %1 行：</translation>
    </message>
    <message>
        <source>%1 第 %2 行：</source>
        <translation>%1 第 %2 行：</translation>
    </message>
</context>
<context>
    <name>gegu::cid</name>
    <message>
        <source>Advertisement</source>
        <translation>广告图片</translation>
    </message>
    <message>
        <source>Query results</source>
        <translation>查询结果</translation>
    </message>
    <message>
        <source>The data file has changed but cannot be loaded again; the data loaded before is still used.</source>
        <translation>数据文件已经改变，但无法重新载入，仍使用原来的数据。</translation>
    </message>
    <message>
        <source>No web browser could be opened. Copy the address below and open it in a browser:</source>
        <translation>无法打开浏览器。请复制下面的地址，在浏览器中打开：</translation>
    </message>
    <message>
        <source>Data file: %1</source>
        <translation>数据文件：%1</translation>
    </message>
    <message>
        <source>%1 stocks</source>
        <translation>共 %1 只股票</translation>
    </message>
    <message>
        <source>, report date %1</source>
        <translation>，报告期 %1</translation>
    </message>
    <message>
        <source>, report dates %1 to %2 (%3 periods)</source>
        <translation>，报告期 %1 至 %2（%3 期）</translation>
    </message>
    <message>
        <source>This is the sample that comes with the program, not real shareholders&apos; data.</source>
        <translation>这是随程序附带的示例数据，不是真实的股东资料。</translation>
    </message>
    <message>
        <source>Earlier periods</source>
        <translation>往期报告</translation>
    </message>
    <message>
        <source>Holding history</source>
        <translation>持股变化</translation>
    </message>
    <message>
        <source>The data folder holds a data file that this program did not make:

%1

The import makes it again from the files imported now and before; nothing else in it is kept. Go on?</source>
        <translation>数据文件夹里已有一个不是由本程序生成的数据文件：

%1

导入后，它将由导入的文件和以前导入的文件重新生成，其中的其他数据将不再保留。是否继续？</translation>
    </message>
    <message>
        <source>Files imported…</source>
        <translation>已导入的文件…</translation>
    </message>
    <message>
        <source>It does not look like a data file: its first line holds no record count.</source>
        <translation>不像数据文件：第一行没有记录数。</translation>
    </message>
    <message>
        <source>The folders dropped hold no exports (CSV or text files).</source>
        <translation>拖入的文件夹里没有导出文件（CSV 或文本文件）。</translation>
    </message>
    <message>
        <source>The data file is unchanged.</source>
        <translation>数据文件没有改变。</translation>
    </message>
    <message>
        <source>The folder cannot be opened. It is:</source>
        <translation>无法打开文件夹。它是：</translation>
    </message>
    <message>
        <source>Portfolio</source>
        <translation>持仓一览</translation>
    </message>
</context>
</TS>
