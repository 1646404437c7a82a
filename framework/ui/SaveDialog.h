#pragma once
#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace fw {

// What the save dialog is set up with.
struct SaveDialogRequest {
  std::string nameFilter;     // "image/png (*.png)"; empty when the filter names no registered type
  std::string defaultSuffix;  // "png": added to a file name typed without any extension
  std::string proposedName;   // the name the dialog proposes
};

// Shows the save dialog for the registered file type whose Name is filter,
// proposing proposedName, and returns the chosen path (UTF-8), or nothing
// when the user cancels. The dialog offers the type's extensions, adds the
// first one to a file name typed without an extension, and asks before an
// existing file is replaced. A filter that names no registered type gives
// a dialog for any file, without a suffix rule.
std::optional<std::string> GetSaveFolderItem(const std::string& filter, const std::string& proposedName,
                                             QWidget* parent = nullptr);

// Answers the save dialog in place of the user, for tests: while set,
// GetSaveFolderItem shows nothing and calls it instead. Its result is the
// path as typed (the default suffix is still added) or nothing to cancel.
using SaveDialogAnswer = std::function<std::optional<std::string>(const SaveDialogRequest&)>;

// Installs the answer; an empty function restores the real dialog.
// Returns the previous answer.
SaveDialogAnswer SetSaveDialogAnswer(SaveDialogAnswer answer);

}  // namespace fw
