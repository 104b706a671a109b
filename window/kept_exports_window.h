#pragma once

#include "import/export_folder.h"

#include <QDialog>
#include <functional>
#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;

namespace gegu {

// 已导入的文件: the exports kept in the user's data folder, each with its stocks, its report
// periods and when it was dropped. 删除 removes the selected ones at the user's word (after a
// question), 打开文件夹 shows the folder in the file manager. What they do is the window's
// (cid's) business; this window only shows and asks.
class KeptExportsWindow : public QDialog {
    Q_OBJECT
public:
    explicit KeptExportsWindow(QWidget* parent = nullptr);

    // The exports to list, and the folder they are kept in.
    void setExports(const std::vector<ExportFolder::KeptExport>& kept, const QString& folder);
    // What 删除 does once the user has said yes, and what 打开文件夹 does.
    void setRemove(std::function<void(const std::vector<NativePath>&)> remove) {
        remove_ = std::move(remove);
    }
    void setOpenFolder(std::function<void()> open) { openFolder_ = std::move(open); }

    QTableWidget* table() const { return table_; }

private:
    void removeSelected();

    std::vector<ExportFolder::KeptExport> kept_;
    std::function<void(const std::vector<NativePath>&)> remove_;
    std::function<void()> openFolder_;
    QLabel* folder_;
    QTableWidget* table_;
    QPushButton* removeButton_;
};

} // namespace gegu
