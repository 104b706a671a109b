#pragma once

// Data files that are malformed or hostile, each with what loading must do: stop with an error
// number at a line, or load a given number of records. Shared by the loader's tests and the
// fuzzers' seed corpus.

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

namespace gegu::test {

struct MalformedFile {
    const char* name;
    std::function<QByteArray()> bytes; // built on demand: a few are large
    int error;                         // runtime error number, or 0 when the file loads
    qint64 lineOrRecords;              // the error's line, or the records loaded
    bool large = false;                // too large for a seed corpus
};

inline const std::vector<MalformedFile>& malformedFiles() {
    using namespace Qt::StringLiterals;
    auto text = [](const char* bytes) {
        return [bytes] {
            return QByteArray(bytes);
        };
    };
    auto withNuls = [](const char* bytes, int size) {
        return [=] {
            return QByteArray(bytes, size);
        };
    };
    static const std::vector<MalformedFile> files{
        {"empty file", text(""), 62, 1},
        {"first line empty", text("\r\n"), 62, 2},
        {"first line not a number", text("\xb9\xc9\xc6\xb1\r\n"), 62, 2},
        {"first line only", text("0\r\n"), 62, 2},
        {"header without count", text("0\r\n600001 \xbc\xd7"), 62, 3},
        {"ends inside a record", text("0\r\nh\r\n3\r\nhead\r\nr1\r\n"), 62, 6},
        {"second record missing", text("1\r\nh\r\n0\r\nhead\r\n"), 62, 5},
        {"first line beyond 32 bits", text("3000000000\r\n"), 6, 1},
        {"first line 2^31 - 0.5 rounds beyond", text("2147483647.5\r\n"), 6, 1},
        {"first line &HFFFFFFFF", text("&HFFFFFFFF\r\n"), 6, 1},
        {"first line 2000000000 on a short file",
         text("2000000000\r\nh\r\n0\r\nhead\r\nh2\r\n0\r\nhd\r\n"), 62, 8},
        {"count beyond 32 bits", text("0\r\nh\r\n1e10\r\n"), 6, 3},
        {"count 2^31 - 1 overflows when 1 is added", text("0\r\nh\r\n2147483647\r\n"), 6, 3},
        {"count infinity", text("0\r\nh\r\n1e999\r\n"), 6, 3},
        {"count far beyond the rows", text("0\r\nh\r\n2147483646\r\nhead\r\n"), 62, 5},
        {"count negative reads no line", text("1\r\nh\r\n-5\r\nh2\r\n0\r\nhead\r\n"), 0, 2},
        {"count fractional", text("0\r\nh\r\n1.5\r\nhead\r\nrow\r\n"), 0, 1},
        {"count not a number reads the head line", text("0\r\nh\r\nmany\r\nhead\r\n"), 0, 1},
        {"first line -1 loads nothing", text("-1\r\n"), 0, 0},
        {"NUL bytes", withNuls("0\r\n6000\0\0 x\r\n1\0 5\r\nhe\0ad\r\nr\0w\r\n", 31), 0, 1},
        {"invalid GBK sequences", text("0\r\n\x81\x30\xff\x80\r\n1\r\n\xbb\r\n\xfe\x7f \xa2\r\n"),
         0, 1},
        {"lone lead (or trail) byte at the end of the file", text("0\r\nh\r\n1\r\nhead\r\nrow\xbb"),
         0, 1},
        {"0x80 and 0xFF at the end of the file", text("0\r\nh\r\n1\r\nhead\r\nrow\x80\xff"), 0, 1},
        {"lead byte before the line end of a count", text("0\r\nh\r\n1\xbb\r\nhead\r\nrow\r\n"), 0,
         1},
        {"LF line ends", text("0\nh\n1\nhead\nrow\n"), 0, 1},
        {"CR line ends", text("0\rh\r1\rhead\rrow\r"), 0, 1},
        {"records of three empty lines", [] { return "2999\r"_ba + "\r\r\r"_ba.repeated(3000); }, 0,
         3000},
        {"nothing but line ends", [] { return "\n"_ba.repeated(5000); }, 0, 1},
        {"an irregular byte in a long line",
         [] { return "0\r\nh\r\n1\r\nhead\r\n"_ba + QByteArray(100000, '\x80') + "\xff"_ba; }, 0,
         1},
        {"50 MB single line", [] { return QByteArray(50 << 20, 'a'); }, 62, 2, true},
        {"50 MB single line of digits", [] { return QByteArray(50 << 20, '9'); }, 6, 1, true},
    };
    return files;
}

} // namespace gegu::test
