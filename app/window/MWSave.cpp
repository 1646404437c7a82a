// File > Save: the canvas as a PNG file.
#include "app/window/MW.h"
#include "framework/ui/PictureFile.h"
#include "framework/ui/SaveDialog.h"

bool MW::FileSave_Action() {
  // Capture the canvas before the dialog opens: the file holds what the
  // canvas showed when the command was chosen.
  const int64_t width = fw::Deref(QuorixCV(), "QuorixCV").Width();
  const int64_t height = fw::Deref(QuorixCV(), "QuorixCV").Height();
  std::shared_ptr<fw::Picture> picture = fw::NewPicture(width, height);
  fw::Deref(QuorixCV(), "QuorixCV").DrawInto(picture->Graphics(), 0, 0);

  const std::optional<std::string> file = fw::GetSaveFolderItem("image/png", "名称未決定.png", this);
  if (!file) return true;  // cancelled: nothing written, nothing shown
  fw::SavePicture(*picture, *file, fw::kPictureFormatPNG, -1);
  return true;
}
