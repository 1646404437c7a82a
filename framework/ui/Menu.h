#pragma once
#include <QString>
#include <memory>
#include <string>
#include <vector>

namespace fw {

// An entry of a menu tree: a menu bar, a menu or a command. Its caption
// ("Value") marks the access key with "&"; the caption "-" makes it a
// separator. Shortcuts are stored as text, "Cmd+" and a key, the command
// modifier standing for the platform's own (Ctrl on Linux).
class MenuItem {
 public:
  MenuItem() = default;
  virtual ~MenuItem() = default;
  MenuItem(const MenuItem&) = delete;
  MenuItem& operator=(const MenuItem&) = delete;

  const std::string& Name() const { return name_; }
  void SetName(std::string v) { name_ = std::move(v); }
  const std::string& Value() const { return value_; }
  void SetValue(std::string v) { value_ = std::move(v); }
  bool AutoEnabled() const { return autoEnabled_; }
  void SetAutoEnabled(bool v) { autoEnabled_ = v; }
  bool Visible() const { return visible_; }
  void SetVisible(bool v) { visible_ = v; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v) { enabled_ = v; }
  const std::string& Shortcut() const { return shortcut_; }
  void SetShortcut(std::string v) {
    shortcut_ = std::move(v);
    shortcutSet_ = true;
  }
  // Whether a shortcut was ever assigned (a separator's never is).
  bool ShortcutSet() const { return shortcutSet_; }
  bool IsSeparator() const { return value_ == "-"; }

  // Appends the item as the last child.
  void AddMenu(std::shared_ptr<MenuItem> item);
  // The child of that name, or nullptr.
  std::shared_ptr<MenuItem> Child(const std::string& name) const;
  // The item of that name anywhere below this one (depth first), or nullptr.
  std::shared_ptr<MenuItem> Lookup(const std::string& name) const;
  size_t Count() const { return children_.size(); }
  std::shared_ptr<MenuItem> Item(size_t i) const { return i < children_.size() ? children_[i] : nullptr; }

  // What the platform does when the item is chosen and no handler takes
  // the command; answers whether it did something.
  virtual bool DefaultAction() { return false; }
  // Whether the item has an action of its own (DefaultAction does something).
  virtual bool HasOwnAction() const { return false; }

 private:
  std::string name_, value_, shortcut_;
  bool autoEnabled_ = false, visible_ = true, enabled_ = true, shortcutSet_ = false;
  std::vector<std::shared_ptr<MenuItem>> children_;
};

// The item whose own action quits the application.
class QuitMenuItem : public MenuItem {
 public:
  bool DefaultAction() override;
  bool HasOwnAction() const override { return true; }
};

// The root of a menu tree; its children are the menus.
class MenuBar : public MenuItem {};

// The stored shortcut text in the platform's notation ("Cmd+S" -> "Ctrl+S").
QString PlatformShortcut(const std::string& stored);

}  // namespace fw
