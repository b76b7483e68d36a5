#pragma once
// Choosing the sound folder in the platform's folder picker, behind a seam so that tests can
// choose the folder themselves.
#include <windows.h>

#include <optional>
#include <string>

namespace zt {

class FolderPicker {
public:
    virtual ~FolderPicker() = default;
    // The folder the user chose, the picker opened modally over owner at start; nothing
    // when the user cancelled or the picker could not be shown.
    virtual std::optional<std::wstring> pickFolder(HWND owner, const std::wstring& start) = 0;
};

// The common item dialog (IFileOpenDialog) picking file-system folders. COM must be
// initialised on the calling thread.
class ShellFolderPicker final : public FolderPicker {
public:
    std::optional<std::wstring> pickFolder(HWND owner, const std::wstring& start) override;
};

}  // namespace zt
