#include "mainwindow/folder_picker.h"

#include <shobjidl.h>

#include "common/scoped.h"

namespace zt {

std::optional<std::wstring> ShellFolderPicker::pickFolder(HWND owner, const std::wstring& start) {
    ComPtr<IFileOpenDialog> dialog;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(dialog.put()))))
        return std::nullopt;
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
    // SetFolder, not SetDefaultFolder: open where the lists are, not where it was last time.
    ComPtr<IShellItem> folder;
    if (!start.empty() && SUCCEEDED(SHCreateItemFromParsingName(start.c_str(), nullptr, IID_PPV_ARGS(folder.put()))))
        dialog->SetFolder(folder.get());
    ComPtr<IShellItem> chosen;
    if (FAILED(dialog->Show(owner)) || FAILED(dialog->GetResult(chosen.put()))) return std::nullopt;
    PWSTR path = nullptr;
    if (FAILED(chosen->GetDisplayName(SIGDN_FILESYSPATH, &path)) || !path) return std::nullopt;
    std::wstring result(path);
    CoTaskMemFree(path);
    return result;
}

}  // namespace zt
