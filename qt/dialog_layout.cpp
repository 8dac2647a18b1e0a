#include "qt/dialog_layout.h"

#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionButton>
#include <algorithm>
#include <map>
#include <utility>

namespace qthost {

using ui::ControlKind;

namespace {

QString FromView(std::string_view s) {
  return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

int MulDivRound(int value, int num, int den) {
  const long long p = static_cast<long long>(value) * num;
  return static_cast<int>(p >= 0 ? (p + den / 2) / den : -((-p + den / 2) / den));
}

bool IsCheckKind(ControlKind k) {
  return k == ControlKind::CheckBox || k == ControlKind::AutoCheckBox ||
         k == ControlKind::AutoRadioButton;
}

bool IsButtonKind(ControlKind k) {
  return k == ControlKind::PushButton || k == ControlKind::DefPushButton;
}

// Labels, group boxes and icons do not take part in overlap checks: labels may grow over them.
bool IsSolidControl(ControlKind k) {
  return k != ControlKind::GroupBox && k != ControlKind::Label && k != ControlKind::Icon;
}

int TextWidth(const QFontMetrics& fm, const QString& text) {
  int widest = 0;
  for (const auto& line : text.split(QLatin1Char('\n'))) {
    widest = std::max(widest, fm.horizontalAdvance(line));
  }
  return widest;
}

// Whether every caption of every template drawn in the dialog font fits at this size, and by how
// much it misses otherwise.
struct FitScore {
  int misses = 0;
  int overflow = 0;
};

FitScore ScoreFont(const QFont& font, QStyle* style) {
  FitScore score;
  for (const ui::DialogTemplate* tmpl : ui::GetResources().dialogs) {
    if (!IsDialogFontAlias(tmpl->fontName)) continue;
    QFont f = font;
    f.setPointSizeF(font.pointSizeF() * tmpl->pointSize / 8.0);
    DialogLayout layout(*tmpl, f, style);
    for (std::size_t i = 0; i < tmpl->controls.size(); ++i) {
      if (int over = layout.CaptionOverflow(i); over > 0) {
        ++score.misses;
        score.overflow += over;
      }
    }
  }
  return score;
}

// The point size of the dialog font for an 8 point template: the smallest from 8 points up at
// which every caption fits, or the one that misses least.
double ChooseDialogPointSize(const QFont& family) {
  static std::map<QString, double> cache;
  const QString key = family.family();
  if (auto it = cache.find(key); it != cache.end()) return it->second;
  // Nothing to measure before the program's resources are there; decide later.
  if (ui::GetResources().dialogs.empty()) return 8.0;
  QStyle* style = QApplication::style();
  double best = 8.0;
  FitScore bestScore{1 << 30, 1 << 30};
  for (double pt = 8.0; pt <= 14.0; pt += 0.25) {
    QFont f = family;
    f.setPointSizeF(pt);
    const FitScore s = ScoreFont(f, style);
    if (s.misses == 0) {
      best = pt;
      break;
    }
    if (std::pair(s.misses, s.overflow) < std::pair(bestScore.misses, bestScore.overflow)) {
      best = pt;
      bestScore = s;
    }
  }
  cache[key] = best;
  return best;
}

}  // namespace

DialogUnits DialogUnits::Of(const QFont& font) {
  const QFontMetrics fm(font);
  const int letters =
      fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  DialogUnits u;
  u.bx = std::max(1, (letters / 26 + 1) / 2);
  u.by = std::max(1, fm.height());
  return u;
}

int DialogUnits::X(int du) const {
  return MulDivRound(du, bx, 4);
}
int DialogUnits::Y(int du) const {
  return MulDivRound(du, by, 8);
}

QRect DialogUnits::Map(const ui::DlgRect& r) const {
  const int left = X(r.x), top = Y(r.y);
  return QRect(left, top, X(r.x + r.cx) - left, Y(r.y + r.cy) - top);
}

QSize DialogUnits::MapSize(int cx, int cy) const {
  return QSize(X(cx), Y(cy));
}

bool IsDialogFontAlias(std::string_view name) {
  return name == "MS Shell Dlg" || name == "MS Shell Dlg 2" || name == "MS Sans Serif" ||
         name == "Tahoma" || name.empty();
}

QFont TemplateFont(const ui::DialogTemplate& tmpl) {
  if (!IsDialogFontAlias(tmpl.fontName)) {
    QFont f(FromView(tmpl.fontName));
    f.setPointSize(tmpl.pointSize > 0 ? tmpl.pointSize : 8);
    return f;
  }
  QFont f = QApplication::font();
  const double eight = ChooseDialogPointSize(f);
  f.setPointSizeF(eight * (tmpl.pointSize > 0 ? tmpl.pointSize : 8) / 8.0);
  return f;
}

QString StripMnemonic(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('&')) {
      if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&')) {
        out += QLatin1Char('&');
        ++i;
      }
      continue;
    }
    out += text[i];
  }
  return out;
}

CheckGeometry LayoutCheck(QStyle* style, const QRect& rect, bool radio, bool textLeft) {
  const int iw =
      style->pixelMetric(radio ? QStyle::PM_ExclusiveIndicatorWidth : QStyle::PM_IndicatorWidth);
  const int ih =
      style->pixelMetric(radio ? QStyle::PM_ExclusiveIndicatorHeight : QStyle::PM_IndicatorHeight);
  const int gap = style->pixelMetric(radio ? QStyle::PM_RadioButtonLabelSpacing
                                           : QStyle::PM_CheckBoxLabelSpacing);
  CheckGeometry g;
  const int top = rect.top() + (rect.height() - ih) / 2;
  if (textLeft) {
    g.indicator = QRect(rect.right() + 1 - iw, top, iw, ih);
    g.text = QRect(rect.left(), rect.top(), std::max(0, rect.width() - iw - gap), rect.height());
  } else {
    g.indicator = QRect(rect.left(), top, iw, ih);
    g.text = QRect(rect.left() + iw + gap, rect.top(), std::max(0, rect.width() - iw - gap),
                   rect.height());
  }
  return g;
}

QString WrapWords(const QString& text, const QFontMetrics& fm, int width) {
  const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
  QStringList lines;
  QString line;
  for (const auto& word : words) {
    const QString candidate = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
    if (!line.isEmpty() && fm.horizontalAdvance(StripMnemonic(candidate)) > width) {
      lines << line;
      line = word;
    } else {
      line = candidate;
    }
  }
  if (!line.isEmpty()) lines << line;
  return lines.join(QLatin1Char('\n'));
}

QRect PushButtonTextRect(QStyle* style, const QRect& rect, const QFont& font, bool isDefault) {
  QStyleOptionButton opt;
  opt.rect = rect;
  opt.fontMetrics = QFontMetrics(font);
  opt.features = isDefault ? QStyleOptionButton::DefaultButton : QStyleOptionButton::None;
  QRect r = style->subElementRect(QStyle::SE_PushButtonContents, &opt, nullptr);
  // Keep the text off the bevel.
  const int pad = std::max(2, opt.fontMetrics.averageCharWidth() / 3);
  return r.adjusted(pad, 0, -pad, 0);
}

int GroupBoxTitleRoom(const QRect& rect, const QFontMetrics& fm) {
  return std::max(0, rect.width() - 2 * fm.averageCharWidth());
}

DialogLayout::DialogLayout(const ui::DialogTemplate& tmpl, const QFont& font, QStyle* style)
    : tmpl_(tmpl), font_(font), style_(style), units_(DialogUnits::Of(font)) {
  clientSize_ = units_.MapSize(tmpl.rect.cx, tmpl.rect.cy);
  {
    QComboBox probe;
    probe.setFont(font_);
    comboHeight_ = probe.sizeHint().height();
  }
  const QFontMetrics fm(font_);
  const auto& controls = tmpl.controls;
  rects_.resize(controls.size());
  wraps_.assign(controls.size(), false);
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const auto& c = controls[i];
    QRect r = units_.Map(c.rect);
    if (c.kind == ControlKind::DropDownList) {
      // The template's height includes the dropped list.
      r.setHeight(comboHeight_);
    }
    if (c.kind == ControlKind::Icon) r.setSize(QSize(32, 32));
    rects_[i] = r;
  }
  // Static text wraps when it is taller than a line. Where the wrapped text needs a little more
  // height than the template gives, the label grows downwards if that covers no other control.
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const auto& c = controls[i];
    if (c.kind != ControlKind::Label) continue;
    QRect& r = rects_[i];
    wraps_[i] = r.height() > fm.height();
    if (!wraps_[i]) continue;
    const QString text =
        (c.style & ui::kNoPrefix) ? FromView(c.caption) : StripMnemonic(FromView(c.caption));
    const QRect need = fm.boundingRect(QRect(0, 0, r.width(), 10000), Qt::TextWordWrap, text);
    if (need.height() <= r.height()) continue;
    QRect grown = r;
    grown.setHeight(need.height());
    bool clear = true;
    for (std::size_t j = 0; j < controls.size() && clear; ++j) {
      if (j == i || !IsSolidControl(controls[j].kind)) continue;
      if (grown.intersects(rects_[j]) && !r.intersects(rects_[j])) clear = false;
    }
    if (clear) r = grown;
  }
}

QString DialogLayout::ButtonCaption(std::size_t index) const {
  const auto& c = tmpl_.controls[index];
  const QString text = FromView(c.caption);
  if (!(c.style & ui::kMultiline)) return text;
  const QFontMetrics fm(font_);
  const QRect room =
      PushButtonTextRect(style_, rects_[index], font_, c.kind == ControlKind::DefPushButton);
  if (fm.horizontalAdvance(StripMnemonic(text)) <= room.width()) return text;
  return WrapWords(text, fm, room.width());
}

int DialogLayout::CaptionOverflow(std::size_t index) const {
  const auto& c = tmpl_.controls[index];
  if (c.caption.empty()) return 0;
  const QFontMetrics fm(font_);
  const QRect& r = rects_[index];
  const QString raw = FromView(c.caption);
  const QString shown = (c.style & ui::kNoPrefix) ? raw : StripMnemonic(raw);
  if (IsButtonKind(c.kind)) {
    const QRect room = PushButtonTextRect(style_, r, font_, c.kind == ControlKind::DefPushButton);
    const QString text = StripMnemonic(ButtonCaption(index));
    const int lines = int(text.count(QLatin1Char('\n'))) + 1;
    return std::max(0, TextWidth(fm, text) - room.width()) +
           std::max(0, lines * fm.height() - r.height());
  }
  if (IsCheckKind(c.kind)) {
    const auto g = LayoutCheck(style_, r, c.kind == ControlKind::AutoRadioButton,
                               (c.style & ui::kTextLeft) != 0);
    return std::max(0, fm.horizontalAdvance(shown) - g.text.width()) +
           std::max(0, fm.height() - r.height());
  }
  if (c.kind == ControlKind::Label) {
    if (!wraps_[index]) {
      return std::max(0, fm.horizontalAdvance(shown) - r.width()) +
             std::max(0, fm.height() - r.height());
    }
    const QRect need = fm.boundingRect(QRect(0, 0, r.width(), 10000), Qt::TextWordWrap, shown);
    return std::max(0, need.width() - r.width()) + std::max(0, need.height() - r.height());
  }
  if (c.kind == ControlKind::GroupBox) {
    return std::max(0, fm.horizontalAdvance(shown) - GroupBoxTitleRoom(r, fm));
  }
  return 0;
}

}  // namespace qthost
