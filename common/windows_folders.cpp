#include "windows_folders.h"

#include <shlobj.h>
#include <windows.h>

namespace gegu {

std::vector<NativePath> applicationDataFolders() {
    // Qt's QStandardPaths asks for the same folders, but names them only with the
    // application's own folder added.
    std::vector<NativePath> folders;
    for (const KNOWNFOLDERID& id : {FOLDERID_RoamingAppData, FOLDERID_ProgramData}) {
        PWSTR path = nullptr;
        if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path)))
            folders.emplace_back(path);
        CoTaskMemFree(path);
    }
    return folders;
}

} // namespace gegu
