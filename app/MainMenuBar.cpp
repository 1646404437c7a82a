#include "app/MainMenuBar.h"

#include "framework/core/Runtime.h"

namespace {

std::shared_ptr<MainMenuBar>& Shared() {
  static std::shared_ptr<MainMenuBar> bar;
  return bar;
}

template <class Item = fw::MenuItem>
std::shared_ptr<Item> NewItem(const char* name, const char* caption, const char* shortcut) {
  auto item = std::make_shared<Item>();
  item->SetName(name);
  item->SetAutoEnabled(true);
  item->SetValue(caption);
  item->SetVisible(true);
  if (shortcut != nullptr) item->SetShortcut(shortcut);  // separators keep the default
  return item;
}

void Attach(fw::MenuItem& bar, const char* menu, std::shared_ptr<fw::MenuItem> item) {
  fw::Deref(bar.Child(menu), menu).AddMenu(std::move(item));
}

}  // namespace

MainMenuBar::MainMenuBar() {
  Untitled0();
  Untitled1();
}

std::shared_ptr<MainMenuBar> MainMenuBar::Instance() {
  if (!Shared()) Shared() = std::make_shared<MainMenuBar>();
  return Shared();
}

void MainMenuBar::Untitled0() {
  AddMenu(NewItem("FileMenu", "&File", ""));
  Attach(*this, "FileMenu", NewItem<fw::QuitMenuItem>("FileQuit", "&Quit", "Cmd+Q"));
  Attach(*this, "FileMenu", NewItem("FileSave", "Save", "Cmd+S"));
}

void MainMenuBar::Untitled1() {
  AddMenu(NewItem("EditMenu", "&Edit", ""));
  Attach(*this, "EditMenu", NewItem("EditUndo", "&Undo", "Cmd+Z"));
  Attach(*this, "EditMenu", NewItem("EditSeparator1", "-", nullptr));
  Attach(*this, "EditMenu", NewItem("EditCut", "Cu&t", "Cmd+X"));
  Attach(*this, "EditMenu", NewItem("EditCopy", "&Copy", "Cmd+C"));
  Attach(*this, "EditMenu", NewItem("EditPaste", "&Paste", "Cmd+V"));
  Attach(*this, "EditMenu", NewItem("EditClear", "&Delete", ""));
  Attach(*this, "EditMenu", NewItem("EditSeparator2", "-", nullptr));
  Attach(*this, "EditMenu", NewItem("EditSelectAll", "Select &All", "Cmd+A"));
}
