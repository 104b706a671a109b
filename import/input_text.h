#pragma once

#include "common/native_file.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace gegu {

// An export's whole text, read at once through one handle: a file that changes while it is
// read is an error, never a mix of its old and new bytes. Throws ImportError (at line 0) when it
// cannot be read, in words for people.
class InputText {
public:
    // name is how errors name the file; its display name when empty.
    explicit InputText(const NativePath& path, QString name = {});
    const QString& name() const { return name_; }
    QByteArrayView text() const { return bytes_; }
    const QByteArray& bytes() const { return bytes_; }

private:
    QString name_;
    QByteArray bytes_;
};

} // namespace gegu
