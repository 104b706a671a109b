// What Windows shows of Gegu's program files: each carries the icon, version information that
// names it and the project's version, and a manifest that asks for no administrator rights,
// names the Windows versions it runs on and leaves DPI to Qt.

#include <QDir>
#include <QFileInfo>
#include <QTest>
#include <QVersionNumber>
#include <windows.h>

using namespace Qt::StringLiterals;

namespace {

// The program's version information: its fixed part and one of its texts (in Chinese, PRC).
struct VersionInfo {
    QByteArray data;

    QString text(const QString& name) const {
        void* value = nullptr;
        UINT size = 0;
        const QString key = u"\\StringFileInfo\\080404b0\\"_s + name;
        if (!VerQueryValueW(data.data(), reinterpret_cast<LPCWSTR>(key.utf16()), &value, &size) ||
            size == 0)
            return {};
        return QString::fromWCharArray(static_cast<const wchar_t*>(value), int(size) - 1);
    }
    // The file and product version of the fixed part, as a.b.c.d.
    std::pair<QString, QString> fixedVersions() const {
        void* value = nullptr;
        UINT size = 0;
        if (!VerQueryValueW(data.data(), L"\\", &value, &size) || size < sizeof(VS_FIXEDFILEINFO))
            return {};
        const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
        const auto text = [](DWORD high, DWORD low) {
            return u"%1.%2.%3.%4"_s.arg(HIWORD(high))
                .arg(LOWORD(high))
                .arg(HIWORD(low))
                .arg(LOWORD(low));
        };
        return {text(fixed->dwFileVersionMS, fixed->dwFileVersionLS),
                text(fixed->dwProductVersionMS, fixed->dwProductVersionLS)};
    }
};

VersionInfo versionInfo(const QString& file) {
    const auto* name = reinterpret_cast<LPCWSTR>(file.utf16());
    DWORD ignored = 0;
    QByteArray data(qsizetype(GetFileVersionInfoSizeW(name, &ignored)), '\0');
    if (data.isEmpty() || !GetFileVersionInfoW(name, 0, DWORD(data.size()), data.data()))
        return {};
    return {data};
}

// The file's resources, read as data (nothing of it runs).
class Resources {
public:
    explicit Resources(const QString& file)
        : module_(LoadLibraryExW(reinterpret_cast<LPCWSTR>(file.utf16()), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
    ~Resources() {
        if (module_)
            FreeLibrary(module_);
    }
    Resources(const Resources&) = delete;
    Resources& operator=(const Resources&) = delete;

    bool has(LPCWSTR type) const {
        bool found = false;
        EnumResourceNamesW(
            module_, type,
            [](HMODULE, LPCWSTR, LPWSTR, LONG_PTR context) {
                *reinterpret_cast<bool*>(context) = true;
                return FALSE;
            },
            reinterpret_cast<LONG_PTR>(&found));
        return found;
    }
    QByteArray manifest() const {
        const HRSRC resource = FindResourceW(module_, MAKEINTRESOURCEW(1), RT_MANIFEST);
        if (!resource)
            return {};
        const HGLOBAL loaded = LoadResource(module_, resource);
        return QByteArray(static_cast<const char*>(LockResource(loaded)),
                          qsizetype(SizeofResource(module_, resource)));
    }
    explicit operator bool() const { return module_ != nullptr; }

private:
    HMODULE module_;
};

} // namespace

class ProgramFilesTest : public QObject {
    Q_OBJECT
private slots:
    void programFiles_data();
    void programFiles();
};

void ProgramFilesTest::programFiles_data() {
    QTest::addColumn<QString>("file");
    QTest::newRow("gegu") << QStringLiteral(GEGU_PATH);
    QTest::newRow("gegu-query") << QStringLiteral(GEGU_QUERY_PATH);
    QTest::newRow("gegu-import") << QStringLiteral(GEGU_IMPORT_PATH);
}

void ProgramFilesTest::programFiles() {
    QFETCH(QString, file);
    const QString name = QFileInfo(file).fileName();
    const QString path = QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath());

    const VersionInfo info = versionInfo(path);
    QVERIFY2(!info.data.isEmpty(), "no version information");
    const QString version = QStringLiteral(GEGU_VERSION);
    const QString fourParts =
        QVersionNumber::fromString(version).segments().size() == 3 ? version + u".0"_s : version;
    QCOMPARE(info.fixedVersions(), std::make_pair(fourParts, fourParts));
    QCOMPARE(info.text(u"FileVersion"_s), version);
    QCOMPARE(info.text(u"ProductVersion"_s), version);
    QCOMPARE(info.text(u"ProductName"_s), u"Gegu"_s);
    QCOMPARE(info.text(u"OriginalFilename"_s), name);
    QCOMPARE(info.text(u"CompanyName"_s), u"The Gegu developers"_s);
    // What Task Manager lists the running program by: Chinese, as the user interface is.
    QVERIFY2(info.text(u"FileDescription"_s).startsWith(u"个股股东查询"_s),
             qPrintable(info.text(u"FileDescription"_s)));

    const Resources resources(path);
    QVERIFY(resources);
    QVERIFY2(resources.has(RT_GROUP_ICON), "no icon");
    const QByteArray manifest = resources.manifest();
    QVERIFY(manifest.contains(R"(<requestedExecutionLevel level="asInvoker" uiAccess="false"/>)"));
    QVERIFY(manifest.contains(R"(<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>)"));
    QVERIFY(!manifest.contains("dpiAware")); // Qt makes the process DPI-aware itself
}

QTEST_GUILESS_MAIN(ProgramFilesTest)
#include "tst_program_files.moc"
