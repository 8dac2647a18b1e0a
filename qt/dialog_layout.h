#pragma once
// Dialog units to pixels. A template is laid out in dialog units of its font: a horizontal unit is
// a quarter of the font's average letter width, a vertical unit an eighth of its height. The
// classic dialog font is not on Linux, so it becomes the application's sans font at a point size
// where every caption of the program's templates fits its control.

#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>
#include <string_view>
#include <vector>

#include "ui/resources.h"

class QStyle;
class QFontMetrics;

namespace qthost {

// Base units of a font: bx = (width of "A".."Z","a".."z" / 26 + 1) / 2, by = the font's height.
struct DialogUnits {
  int bx = 4;
  int by = 8;

  static DialogUnits Of(const QFont& font);
  // Rounded like the window system's own conversion (multiply, then divide to the nearest).
  int X(int du) const;
  int Y(int du) const;
  // Left, top, right and bottom are converted each on its own, so neighbours stay flush.
  QRect Map(const ui::DlgRect& r) const;
  QSize MapSize(int cx, int cy) const;
};

// The font a template asks for, as this system has it.
QFont TemplateFont(const ui::DialogTemplate& tmpl);

// Font names that stand for the window system's dialog font.
bool IsDialogFontAlias(std::string_view name);

// Where each control of a template goes, in pixels, in template order.
class DialogLayout {
 public:
  DialogLayout(const ui::DialogTemplate& tmpl, const QFont& font, QStyle* style);

  const QFont& Font() const { return font_; }
  const DialogUnits& Units() const { return units_; }
  QSize ClientSize() const { return clientSize_; }
  const QRect& ControlRect(std::size_t index) const { return rects_[index]; }
  // Whether the label wraps its text (static text wraps when it is taller than one line).
  bool LabelWraps(std::size_t index) const { return wraps_[index]; }
  // A multi-line push button's caption with the line breaks it needs.
  QString ButtonCaption(std::size_t index) const;

  // How many pixels the caption of the control sticks out of the room it has, 0 when it fits.
  int CaptionOverflow(std::size_t index) const;

  // The closed height of a drop-down list in this font.
  int ComboHeight() const { return comboHeight_; }

 private:
  const ui::DialogTemplate& tmpl_;
  QFont font_;
  QStyle* style_;
  DialogUnits units_;
  QSize clientSize_;
  int comboHeight_ = 0;
  std::vector<QRect> rects_;
  std::vector<bool> wraps_;
};

// The caption as shown: without the '&' that marks a mnemonic ("&&" is a literal '&').
QString StripMnemonic(const QString& text);

// A check box's or radio button's indicator and text rectangles inside `rect`.
struct CheckGeometry {
  QRect indicator;
  QRect text;
};
CheckGeometry LayoutCheck(QStyle* style, const QRect& rect, bool radio, bool textLeft);

// Breaks a caption into lines no wider than `width` at spaces; a word wider than that keeps its
// own line.
QString WrapWords(const QString& text, const QFontMetrics& fm, int width);

// The width the caption of a push button may use inside `rect`.
QRect PushButtonTextRect(QStyle* style, const QRect& rect, const QFont& font, bool isDefault);

// Room a group box caption may use: its width less the frame's corners.
int GroupBoxTitleRoom(const QRect& rect, const QFontMetrics& fm);

}  // namespace qthost
