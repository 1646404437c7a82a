#include "framework/ui/SaveDialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <utility>

#include "framework/core/FileType.h"

namespace fw {
namespace {

SaveDialogAnswer& Answer() {
  static SaveDialogAnswer answer;
  return answer;
}

SaveDialogRequest MakeRequest(const std::string& filter, const std::string& proposedName) {
  SaveDialogRequest request;
  request.proposedName = proposedName;
  const std::optional<FileTypeEntry> type = FileTypeRegistry::Instance().Find(filter);
  if (!type) return request;
  const std::vector<std::string> extensions = type->ExtensionList();
  std::string patterns;
  for (const std::string& e : extensions) patterns += (patterns.empty() ? "*." : " *.") + e;
  request.nameFilter = type->Name + " (" + (patterns.empty() ? "*" : patterns) + ")";
  if (!extensions.empty() && extensions.front() != "*") request.defaultSuffix = extensions.front();
  return request;
}

// The file dialog's own rule: a file name without any "." gets the suffix.
std::string WithDefaultSuffix(const std::string& path, const std::string& suffix) {
  if (suffix.empty() || path.empty()) return path;
  const QString name = QFileInfo(QString::fromStdString(path)).fileName();
  if (name.isEmpty() || name.contains(u'.')) return path;
  return path + "." + suffix;
}

}  // namespace

std::optional<std::string> GetSaveFolderItem(const std::string& filter, const std::string& proposedName,
                                             QWidget* parent) {
  const SaveDialogRequest request = MakeRequest(filter, proposedName);
  if (Answer()) {
    std::optional<std::string> typed = Answer()(request);
    if (!typed || typed->empty()) return std::nullopt;
    return WithDefaultSuffix(*typed, request.defaultSuffix);
  }

  // Qt's own dialog everywhere, so that the suffix rule and the question
  // before replacing a file are the same on every desktop.
  QFileDialog dialog(parent);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  if (!request.nameFilter.empty()) dialog.setNameFilter(QString::fromStdString(request.nameFilter));
  if (!request.defaultSuffix.empty()) dialog.setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
  dialog.selectFile(QString::fromStdString(proposedName));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty() || files.front().isEmpty()) return std::nullopt;
  return files.front().toStdString();
}

SaveDialogAnswer SetSaveDialogAnswer(SaveDialogAnswer answer) { return std::exchange(Answer(), std::move(answer)); }

}  // namespace fw
