// The symbol box: the symbol table as icons, five to a row, for choosing the current symbol.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

#include "render/font_service.h"
#include "storage/map_store.h"

class QScrollBar;

namespace zelk {

// The 22 x 22 picture of a symbol from its 264 icon bytes: 4-bit pixels, rows of 12 bytes with
// the bottom row first, the left pixel of a pair in the high half of the byte.
QImage DecodeSymbolIcon(const uint8_t* icon);
// The 16 colours of icon pixels.
QRgb IconPaletteColor(int index);

// A picture of the symbol drawn by the renderer, for symbols whose icon was never painted (all
// white): a white square tells the user nothing about which symbol it is.
QImage SymbolPreview(const MapStore& store, const SymbolRecord& symbol, FontService* fonts);

// A symbol in words, as the status line and the box's tooltips show it: its number with one
// decimal, a blank and its description (map text, Windows-1252).
QString SymbolText(const SymbolRecord& symbol);

class TSymbolWin : public QWidget {
 public:
  static constexpr int kColumns = 5;
  static constexpr int kCell = 23;

  explicit TSymbolWin(QWidget* parent = nullptr);

  void SetStore(MapStore* store) { store_ = store; }
  void SetFonts(FontService* fonts) { fonts_ = fonts; }
  // Place of the current symbol, -1 for none.
  void SetCurrent(int place);
  int Current() const { return current_; }
  // The scroll range follows the number of symbols; call after the table changed.
  void TableChanged();
  // The symbol place at a point of the box, -1 for none.
  int PlaceAt(QPoint p) const;
  QRect CellRect(int place) const;
  // The tooltip of a point of the box: the symbol's number and description; empty off symbols.
  QString ToolTipAt(QPoint p) const;
  void EnsureVisible(int place);

  std::function<void(int place, bool shift, bool ctrl)> symbolClicked;
  std::function<void(int place, QPoint globalPos)> popupRequested;

 protected:
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  int SymbolCount() const;
  MapStore* store_ = nullptr;
  FontService* fonts_ = nullptr;
  QScrollBar* scroll_;
  int current_ = -1;
};

}  // namespace zelk
