#pragma once

// The user's data folder, where drops onto the window go, for the window's tests.

#include "holdings/data_file.h"

#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

namespace gegu::test {

#if defined(Q_OS_WIN)
// The user's data folder, %APPDATA%\gegu\, which a test cannot move elsewhere: used only where
// none stands yet (the test runs' own Wine prefix), and removed again after each test, so that
// a user's own is never touched.
class UserDataFolder {
public:
    UserDataFolder() : folder_(displayName(userDataDirectory())) {}
    ~UserDataFolder() {
        if (usable_)
            QDir(folder_).removeRecursively();
    }
    bool usable() const { return usable_; }
    QString dataFile() const { return folder_ + QStringLiteral("\\gegusj.rar"); }
    QString exportsFolder() const { return folder_ + QStringLiteral("\\exports"); }

private:
    QString folder_;
    bool usable_ = !QFileInfo::exists(folder_);
};
#else
// The user's data folder, a new one for each test.
class UserDataFolder {
public:
    UserDataFolder() : previous_(qgetenv("XDG_DATA_HOME")) {
        qputenv("XDG_DATA_HOME", QFile::encodeName(home_.path()));
    }
    ~UserDataFolder() { qputenv("XDG_DATA_HOME", previous_); }
    bool usable() const { return true; }
    QString dataFile() const { return home_.filePath(QStringLiteral("gegu/gegusj.rar")); }
    QString exportsFolder() const { return home_.filePath(QStringLiteral("gegu/exports")); }

private:
    QTemporaryDir home_;
    QByteArray previous_;
};
#endif

} // namespace gegu::test
