#pragma once

#include "import/file_name_hints.h"

#include <QDialog>
#include <optional>

class QComboBox;
class QLineEdit;
class QSpinBox;

namespace gegu {

// Asks what an export dropped onto the window does not say of itself: its stock code and report
// date (where asked), and which table it is (十大股东 or 十大流通股东). The answer is kept in the
// name the export is kept under, so that every rebuild reads it alike.
class ExportQuestion : public QDialog {
    Q_OBJECT
public:
    // fileName: the export's; askCodeAndDate: false where only the table is not said. The
    // fields start with what the name says.
    ExportQuestion(const QString& fileName, const QString& why, bool askCodeAndDate,
                   QWidget* parent = nullptr);

    // The name to keep the export under: the answer before its own name.
    QString keptName() const;
    // The answer (the code and date only where asked); nullopt while the code is not a code.
    std::optional<FileNameHints> answer() const;

private:
    QString fileName_;
    bool askCodeAndDate_;
    QLineEdit* code_ = nullptr;
    QSpinBox* year_ = nullptr;
    QComboBox* period_ = nullptr;
    QComboBox* table_;
};

} // namespace gegu
