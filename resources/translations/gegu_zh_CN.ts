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
    <name>GeguCommand</name>
    <message>
        <source>Usage: gegu [--help | --version]
Opens Gegu&apos;s window, which looks up the major shareholders of listed Chinese stocks
in its data file, gegusj.rar: type a stock code for that stock&apos;s holder table, or
(part of) a holder&apos;s name for every holder row whose name field contains it.
The data file is the first gegusj.rar found in the current directory, beside the
%1
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
数据文件是按以下顺序找到的第一个 gegusj.rar：当前目录、程序所在目录、
%1
其他参数不起作用。在终端里做同样的查询：gegu-query。

选项：
  -h, --help     显示本帮助并退出。
  -v, --version  显示版本并退出。

退出状态：关闭窗口时为 0，无法载入数据文件时为 1，无法写出帮助或版本时为 2。
</translation>
    </message>
    <message>
        <source>program, in the user&apos;s data folder (%APPDATA%\gegu\) or in the system&apos;s
(%PROGRAMDATA%\gegu\).</source>
        <translation>用户的数据文件夹（%APPDATA%\gegu\）、系统的数据文件夹（%PROGRAMDATA%\gegu\）。</translation>
    </message>
    <message>
        <source>program, in the user&apos;s data folder (~/.local/share/gegu/) or in the system&apos;s
(/usr/local/share/gegu/, /usr/share/gegu/).</source>
        <translation>用户的数据文件夹（~/.local/share/gegu/）、系统的数据文件夹
（/usr/local/share/gegu/、/usr/share/gegu/）。</translation>
    </message>
    <message>
        <source>cannot write to standard output</source>
        <translation>无法写入标准输出</translation>
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
        <source>Usage: gegu-query [options] [--] QUERY...
Looks up the major shareholders of listed Chinese stocks in Gegu&apos;s data file.
A stock code (0 &lt; code &lt; 1000000) prints that stock&apos;s holder table; any other text
lists every holder row whose name contains it. Several queries are answered one
after the other from one load of the data file.

Options:
  --data FILE    Data file to read. Default: the first gegusj.rar found in the
                 current directory, beside the program, in the user&apos;s data
%1
  --stdin        Read queries from standard input too, one a line (UTF-8),
                 after those given as arguments; blank lines are skipped.
  --all-periods  A stock code prints every period of the stock that the data
                 file holds, newest first, each as its own holder table.
  --info         Print what the data file holds, one &quot;key: value&quot; a line
                 (path, size, records, stocks, rows, dates, oldest date,
                 newest date, sample), before any QUERY&apos;s report.
  --lf           End lines with LF instead of CR LF.
  --tsv          Print one line per holder row shown, tab-separated and
                 LF-ended, under a header line: query, code, stock, date,
                 holder, shares (in 10,000 shares), ratio (%), type (of
                 share), change and table (十大股东 or 十大流通股东), from
                 the stock&apos;s header line and the row&apos;s cells. A row whose
                 cells cannot be read has its text as the holder and the other
                 cells empty. Tabs and line breaks inside a field become
                 blanks.
  -h, --help     Show this help and exit.
  -v, --version  Show the version and exit.

Arguments:
  QUERY          Text as typed into the query box; put -- before a query that
                 starts with &apos;-&apos;.

Output: the text of Gegu&apos;s output box, as UTF-8 with CR LF line ends, the
reports of several queries one after the other.
Exit status: 0 when any query found something (or --info alone printed), 1
when none did, 2 on a data file, argument, input or output error. A reader
that closes the pipe early (| head) ends gegu-query quietly, as it ends grep:
by SIGPIPE.
</source>
        <translation>用法：gegu-query [选项] [--] QUERY...
在 Gegu 的数据文件中查询上市公司的主要股东。
证券代码（0 &lt; 代码 &lt; 1000000）输出该股票的股东表；其他文字列出名称中含有它的
每一行股东。多个查询依次回答，数据文件只载入一次。

选项：
  --data FILE    要读取的数据文件。默认为按以下顺序找到的第一个 gegusj.rar：
                 当前目录、程序所在目录、用户的数据
%1
  --stdin        也从标准输入读取查询，每行一个（UTF-8），排在参数中的查询
                 之后；空行跳过。
  --all-periods  证券代码输出数据文件中该股票的每一期，最新的在前，每期一张
                 股东表。
  --info         输出数据文件的概况，每行一个“key: value”（path、size、
                 records、stocks、rows、dates、oldest date、newest date、
                 sample），在各查询的报告之前。
  --lf           行尾用 LF，而不是 CR LF。
  --tsv          每个显示的股东行输出一行，以制表符分隔、以 LF 结尾，第一行
                 是标题：query（查询）、code（代码）、stock（股票）、date
                 （报告期）、holder（股东）、shares（持股数，万股）、ratio
                 （占比，%）、type（股份性质）、change（增减）和 table
                 （十大股东或十大流通股东），取自股票的标题行和该行的各栏。
                 无法读出各栏的行，整行作为股东，其他栏为空。栏内的制表符和
                 换行变为空格。
  -h, --help     显示本帮助并退出。
  -v, --version  显示版本并退出。

参数：
  QUERY          与在查询框中输入的相同；以“-”开头的查询前请加 --。

输出：Gegu 输出框中的文字，UTF-8 编码，行尾为 CR LF；多个查询的报告依次输出。
退出状态：有查询找到内容（或只输出了 --info）时为 0，都没找到时为 1，数据文件、
参数、输入或输出出错时为 2。读取方提前关闭管道（| head）时，gegu-query 与 grep
一样由 SIGPIPE 悄然结束。
</translation>
    </message>
    <message>
        <source>                 folder (%APPDATA%\gegu\) or in the system&apos;s
                 (%PROGRAMDATA%\gegu\).</source>
        <translation>                 文件夹（%APPDATA%\gegu\）、系统的数据文件夹
                 （%PROGRAMDATA%\gegu\）。</translation>
    </message>
    <message>
        <source>                 folder (~/.local/share/gegu/) or in the system&apos;s
                 (/usr/local/share/gegu/, /usr/share/gegu/); XDG_DATA_HOME and
                 XDG_DATA_DIRS are honoured.</source>
        <translation>                 文件夹（~/.local/share/gegu/）、系统的数据文件夹
                 （/usr/local/share/gegu/、/usr/share/gegu/）；遵从 XDG_DATA_HOME
                 和 XDG_DATA_DIRS。</translation>
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
    <name>gegu::cid</name>
    <message>
        <source>%1, line %2: %3</source>
        <translation>%1 第 %2 行：%3</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
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
        <source>… and %1 more errors</source>
        <translation>……另有 %1 个错误</translation>
    </message>
    <message>
        <source>The files dropped have %1 errors.</source>
        <translation>导入的文件有 %1 处错误。</translation>
    </message>
    <message>
        <source>The files dropped hold no holders.</source>
        <translation>导入的文件里没有股东数据。</translation>
    </message>
    <message>
        <source>The data folder cannot be written.</source>
        <translation>无法写入数据文件夹。</translation>
    </message>
    <message>
        <source>The new data file cannot be loaded; the data loaded before is still used.</source>
        <translation>新的数据文件无法载入，仍使用原来的数据。</translation>
    </message>
    <message>
        <source>Imported: %1</source>
        <translation>已导入：%1</translation>
    </message>
    <message>
        <source>, </source>
        <translation>、</translation>
    </message>
    <message>
        <source>.</source>
        <translation>。</translation>
    </message>
    <message>
        <source>Made from %1 exports, kept in %2.</source>
        <translation>由 %1 个导出文件生成，它们保存在 %2。</translation>
    </message>
    <message>
        <source>Note: %1</source>
        <translation>提示：%1</translation>
    </message>
    <message>
        <source>The data file is unchanged, and the files dropped are not kept.</source>
        <translation>数据文件没有改变，导入的文件也没有保存。</translation>
    </message>
</context>
</TS>
