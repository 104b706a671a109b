#include "windows_folders.h"

#include <shlobj.h>
#include <windows.h>

namespace gegu {

namespace {

// A folder by the name the system keeps for it; empty when it has none. Qt's QStandardPaths
// asks for the same folders, but names them only with the application's own folder added.
NativePath knownFolder(const KNOWNFOLDERID& id) {
    PWSTR path = nullptr;
    NativePath folder;
    if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path)))
        folder = path;
    CoTaskMemFree(path);
    return folder;
}

} // namespace

NativePath userApplicationDataFolder() {
    return knownFolder(FOLDERID_RoamingAppData);
}

NativePath machineApplicationDataFolder() {
    return knownFolder(FOLDERID_ProgramData);
}

std::vector<NativePath> applicationDataFolders() {
    std::vector<NativePath> folders;
    for (const KNOWNFOLDERID& id : {FOLDERID_RoamingAppData, FOLDERID_ProgramData}) {
        if (NativePath folder = knownFolder(id); !folder.empty())
            folders.push_back(std::move(folder));
    }
    return folders;
}

NativePath programFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (n == 0)
            return {};
        if (n < path.size()) { // else cut short: a long path, asked again with more room
            path.resize(n);
            return NativePath(path).parent_path();
        }
        path.resize(path.size() * 2);
    }
}

} // namespace gegu
