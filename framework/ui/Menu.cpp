#include "framework/ui/Menu.h"

#include "framework/ui/Application.h"

#include "framework/core/Runtime.h"

namespace fw {

void MenuItem::AddMenu(std::shared_ptr<MenuItem> item) {
  if (!item) throw NilObjectException("MenuItem.AddMenu: the item is nil.");
  children_.push_back(std::move(item));
}

std::shared_ptr<MenuItem> MenuItem::Child(const std::string& name) const {
  for (const auto& c : children_)
    if (c->Name() == name) return c;
  return nullptr;
}

std::shared_ptr<MenuItem> MenuItem::Lookup(const std::string& name) const {
  for (const auto& c : children_) {
    if (c->Name() == name) return c;
    if (auto found = c->Lookup(name)) return found;
  }
  return nullptr;
}

bool QuitMenuItem::DefaultAction() {
  Quit(0);
  return true;
}

QString PlatformShortcut(const std::string& stored) {
  QString s = QString::fromStdString(stored);
  s.replace(QStringLiteral("Cmd+"), QStringLiteral("Ctrl+"), Qt::CaseInsensitive);
  return s;
}

}  // namespace fw
