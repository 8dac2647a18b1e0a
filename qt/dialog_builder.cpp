#include "qt/dialog_builder.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <algorithm>
#include <map>

#include "qt/app_icon.h"
#include "qt/control_widgets.h"
#include "qt/dialog_layout.h"

namespace qthost {

using ui::ControlKind;

namespace {

QString FromView(std::string_view s) {
  return QString::fromUtf8(s.data(), qsizetype(s.size()));
}
std::string ToStd(const QString& s) {
  return s.toUtf8().toStdString();
}

Qt::Alignment HorizontalAlignment(unsigned style) {
  if (style & ui::kRightAligned) return Qt::AlignRight;
  if (style & ui::kCentered) return Qt::AlignHCenter;
  return Qt::AlignLeft;
}

bool IsStaticKind(ControlKind k) {
  return k == ControlKind::Label || k == ControlKind::GroupBox || k == ControlKind::Icon;
}

QWidget* CreateControl(QWidget& window, const ui::ControlTemplate& c, std::size_t index,
                       const DialogLayout& layout) {
  const QString caption = FromView(c.caption);
  const Qt::FocusPolicy focus = (c.style & ui::kTabStop) ? Qt::StrongFocus : Qt::ClickFocus;
  const Qt::Alignment align = HorizontalAlignment(c.style);
  const QFontMetrics fm(layout.Font());
  QWidget* w = nullptr;

  switch (c.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
      auto* b = new QPushButton(layout.ButtonCaption(index), &window);
      // A focused push button is the one Enter presses, as in classic dialogs.
      b->setAutoDefault(true);
      b->setFocusPolicy(focus);
      w = b;
      break;
    }
    case ControlKind::CheckBox:
    case ControlKind::AutoCheckBox: {
      // A right-aligned check box is laid out from the right, box included, as the system
      // draws one with WS_EX_RIGHT.
      auto* b = new CheckControl(&window, c.kind == ControlKind::AutoCheckBox,
                                 (c.style & (ui::kTextLeft | ui::kRightAligned)) != 0, align);
      b->setText(caption);
      b->setFocusPolicy(focus);
      w = b;
      break;
    }
    case ControlKind::AutoRadioButton: {
      auto* b = new RadioControl(&window, (c.style & ui::kTextLeft) != 0, align);
      b->setText(caption);
      b->setFocusPolicy(focus);
      w = b;
      break;
    }
    case ControlKind::Edit: {
      auto* e = new EditControl(&window);
      e->setFrame((c.style & ui::kBorder) != 0);
      e->setReadOnly((c.style & ui::kReadOnly) != 0);
      e->SetDigitsOnly((c.style & ui::kNumber) != 0);
      e->setAlignment(align | Qt::AlignVCenter);
      e->setFocusPolicy(focus);
      e->setText(caption);
      w = e;
      break;
    }
    case ControlKind::DropDownList: {
      auto* box = new QComboBox(&window);
      box->setEditable(false);
      box->setFocusPolicy(focus);
      const int listHeight = layout.Units().Map(c.rect).height() - layout.ComboHeight();
      box->setMaxVisibleItems(std::max(1, listHeight / std::max(1, fm.height())));
      for (auto item : c.items) {
        const std::string text(item);
        const int at =
            (c.style & ui::kSort)
                ? SortedPosition(
                      box->count(), [box](int i) { return ToStd(box->itemText(i)); }, text)
                : box->count();
        box->insertItem(at, FromView(item));
      }
      box->setCurrentIndex(-1);
      w = box;
      break;
    }
    case ControlKind::ListBox: {
      auto* list = new QListWidget(&window);
      list->setFrameShape((c.style & ui::kBorder) ? QFrame::StyledPanel : QFrame::NoFrame);
      list->setSelectionMode(QAbstractItemView::SingleSelection);
      list->setEditTriggers(QAbstractItemView::NoEditTriggers);
      list->setUniformItemSizes(true);
      list->setVerticalScrollBarPolicy((c.style & ui::kVScroll) ? Qt::ScrollBarAsNeeded
                                                                : Qt::ScrollBarAlwaysOff);
      // Long lines can still be read.
      list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
      list->setFocusPolicy(focus);
      for (auto item : c.items) list->addItem(FromView(item));
      w = list;
      break;
    }
    case ControlKind::Label: {
      auto* label = new QLabel(&window);
      label->setTextFormat(Qt::PlainText);
      // Static text sits at the top of its rectangle.
      label->setAlignment(align | Qt::AlignTop);
      label->setWordWrap(layout.LabelWraps(index));
      label->setText((c.style & ui::kNoPrefix) ? caption : StripMnemonic(caption));
      label->setFocusPolicy(Qt::NoFocus);
      label->setAttribute(Qt::WA_TransparentForMouseEvents);
      w = label;
      break;
    }
    case ControlKind::GroupBox: {
      auto* frame = new GroupFrame(caption, &window);
      if (c.style & ui::kCentered) frame->setAlignment(Qt::AlignHCenter);
      w = frame;
      break;
    }
    case ControlKind::Icon: {
      auto* label = new QLabel(&window);
      const QRect r = layout.ControlRect(index);
      const qreal dpr = window.devicePixelRatioF();
      QPixmap pm = AppIconPixmap(int(std::min(r.width(), r.height()) * dpr));
      pm.setDevicePixelRatio(dpr);
      label->setPixmap(pm);
      label->setFocusPolicy(Qt::NoFocus);
      label->setAttribute(Qt::WA_TransparentForMouseEvents);
      w = label;
      break;
    }
  }

  w->setGeometry(layout.ControlRect(index));
  w->setProperty(kControlIdProperty, c.id);
  w->setProperty(kCaptionProperty, caption);
  if (!(c.style & ui::kVisible)) w->hide();
  if (c.style & ui::kDisabled) w->setEnabled(false);
  return w;
}

}  // namespace

Qt::WindowFlags WindowFlagsFor(const ui::DialogTemplate& t, bool owned) {
  Qt::WindowFlags f = ((t.style & ui::kDsAppWindow) && !owned) ? Qt::Window : Qt::Dialog;
  f |= Qt::CustomizeWindowHint;
  if (t.style & ui::kDsCaption) f |= Qt::WindowTitleHint;
  // Without a system menu the dialog has no close box.
  if (t.style & ui::kDsSysMenu) f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  return f;
}

std::vector<ControlEntry> BuildControls(QWidget& window, const ui::DialogTemplate& tmpl) {
  const DialogLayout layout(tmpl, window.font(), window.style());
  if (tmpl.style & ui::kDsModalFrame) {
    window.setFixedSize(layout.ClientSize());
  } else {
    window.resize(layout.ClientSize());
  }
  std::vector<ControlEntry> entries;
  entries.reserve(tmpl.controls.size());
  for (std::size_t i = 0; i < tmpl.controls.size(); ++i) {
    entries.push_back({&tmpl.controls[i], CreateControl(window, tmpl.controls[i], i, layout)});
  }

  // Radio groups run from one control that starts a group to the next.
  std::map<std::size_t, std::vector<RadioControl*>> groups;
  std::size_t groupStart = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].tmpl->style & ui::kGroup) groupStart = i;
    if (auto* r = dynamic_cast<RadioControl*>(entries[i].widget)) groups[groupStart].push_back(r);
  }
  for (auto& [start, radios] : groups) {
    for (auto* r : radios) r->SetGroup(radios);
  }

  // Group boxes go behind everything, the largest lowest.
  std::vector<QWidget*> frames;
  for (const auto& e : entries) {
    if (e.tmpl->kind == ControlKind::GroupBox) frames.push_back(e.widget);
  }
  std::sort(frames.begin(), frames.end(), [](QWidget* a, QWidget* b) {
    return a->width() * a->height() < b->width() * b->height();
  });
  for (QWidget* f : frames) f->lower();

  // A label's mnemonic takes the focus to the next control that can have it.
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const auto& c = *entries[i].tmpl;
    if (c.kind != ControlKind::Label || (c.style & ui::kNoPrefix)) continue;
    const QString caption = FromView(c.caption);
    if (StripMnemonic(caption) == caption) continue;
    for (std::size_t j = i + 1; j < entries.size(); ++j) {
      QWidget* w = entries[j].widget;
      if (IsStaticKind(entries[j].tmpl->kind) || w->focusPolicy() == Qt::NoFocus) continue;
      auto* label = static_cast<QLabel*>(entries[i].widget);
      label->setText(caption);
      label->setBuddy(w);
      break;
    }
  }
  return entries;
}

}  // namespace qthost
