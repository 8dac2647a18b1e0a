#include "ui/resources.h"

namespace ui {

namespace {
const Resources kEmpty{};
const Resources* g_resources = &kEmpty;
}  // namespace

const ControlTemplate* DialogTemplate::FindControl(int controlId) const {
  for (const auto& c : controls) {
    if (c.id == controlId && controlId != -1) return &c;
  }
  return nullptr;
}

const DialogTemplate* Resources::FindDialog(int id) const {
  for (const auto* d : dialogs) {
    if (d->id == id) return d;
  }
  return nullptr;
}

std::string Resources::LoadString(int id) const {
  for (const auto& s : strings) {
    if (s.id == id) return std::string(s.text);
  }
  return {};
}

void SetResources(const Resources* resources) {
  g_resources = resources ? resources : &kEmpty;
}
const Resources& GetResources() {
  return *g_resources;
}

std::span<const ControlTemplate> RadioGroup(const DialogTemplate& dialog, int firstId) {
  const auto& all = dialog.controls;
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (all[i].id != firstId) continue;
    std::size_t end = i + 1;
    while (end < all.size() && all[end].kind == ControlKind::AutoRadioButton &&
           !(all[end].style & kGroup)) {
      ++end;
    }
    return all.subspan(i, end - i);
  }
  return {};
}

}  // namespace ui
