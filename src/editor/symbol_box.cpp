// The symbol box: icons, current and marked symbols, clicks and the pop-up menu.
#include "editor/symbol_box.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <algorithm>
#include <cstdio>
#include <memory>

#include "dialogs/map_text.h"
#include "render/font_service_qt.h"
#include "render/object_renderer.h"
#include "render/painter_device.h"

namespace zelk {

namespace {
constexpr QRgb kIconPalette[16] = {
    qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
    qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(128, 128, 128),
    qRgb(192, 192, 192), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
    qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
constexpr int kIcon = 22;
constexpr int kRowBytes = 12;
}  // namespace

QRgb IconPaletteColor(int index) {
  return kIconPalette[index & 15];
}

QImage DecodeSymbolIcon(const uint8_t* icon) {
  QImage img(kIcon, kIcon, QImage::Format_RGB32);
  for (int row = 0; row < kIcon; ++row) {
    const uint8_t* bytes = icon + (kIcon - 1 - row) * kRowBytes;
    auto* line = reinterpret_cast<QRgb*>(img.scanLine(row));
    for (int x = 0; x < kIcon; ++x) {
      const uint8_t b = bytes[x / 2];
      line[x] = kIconPalette[(x % 2 == 0) ? (b >> 4) : (b & 15)];
    }
  }
  return img;
}

QImage SymbolPreview(const MapStore& store, const SymbolRecord& symbol, FontService* fonts) {
  QImage img(kIcon, kIcon, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter painter(&img);
  OutputState out;
  // A point symbol fills the icon; lines and areas are shown 6 mm across.
  const double mm = symbol.Type() == SymbolType::Point
                        ? std::clamp(symbol.Extent() * 2.2 / 100.0, 0.5, 20.0)
                        : 6.0;
  out.scaleX = kIcon / (mm * 100.0 * 256.0);
  out.scaleY = -out.scaleX;
  out.originX = -static_cast<int32_t>(mm * 50 * 256);
  out.originY = static_cast<int32_t>(mm * 50 * 256);
  out.curveTolerance = 4;
  PainterDevice device(painter, out);
  device.SetAntialiasing(true);
  // Without fonts handed in, texts are measured with the system's own.
  std::unique_ptr<QtFontService> ownFonts;
  if (!fonts) fonts = (ownFonts = std::make_unique<QtFontService>()).get();
  device.SetFontService(fonts);
  RenderScratch scratch;
  RenderContext ctx{device, *fonts, scratch};
  const int32_t h = static_cast<int32_t>(mm * 40);
  ObjectRecord obj;
  obj.symbol = symbol.Number();
  switch (symbol.Type()) {
    case SymbolType::Point:
      obj.type = ObjectType::Point;
      obj.coords = {Coord::FromUnits(0, 0)};
      break;
    case SymbolType::Line:
      obj.type = ObjectType::Line;
      obj.coords = {Coord::FromUnits(-h, -h / 2), Coord::FromUnits(0, h / 2),
                    Coord::FromUnits(h, -h / 2)};
      break;
    case SymbolType::Area:
      obj.type = ObjectType::Area;
      obj.coords = {Coord::FromUnits(-h, -h), Coord::FromUnits(h, -h), Coord::FromUnits(h, h),
                    Coord::FromUnits(-h, h), Coord::FromUnits(-h, -h)};
      break;
    case SymbolType::Rectangle:
      obj.type = ObjectType::Rectangle;
      obj.coords = {Coord::FromUnits(-h, -h), Coord::FromUnits(h, -h), Coord::FromUnits(h, h),
                    Coord::FromUnits(-h, h)};
      break;
    default: {
      // Texts: a letter says more than a scaled-down word.
      painter.setPen(Qt::black);
      QFont f = painter.font();
      f.setPixelSize(16);
      f.setBold(true);
      painter.setFont(f);
      painter.drawText(img.rect(), Qt::AlignCenter, "T");
      return img;
    }
  }
  const ColorSet colors = symbol.Colors();
  const SymbolHeader& table = store.Colors();
  for (int place = std::clamp<int>(table.colorCount, 0, kMaxColors) - 1; place >= 0; --place) {
    const ColorRecord& c = table.colors[static_cast<size_t>(place)];
    if (!colors.Has(c.colorNumber)) continue;
    device.SelectColorPass(c.colorNumber, Cmyk{c.cmyk[0], c.cmyk[1], c.cmyk[2], c.cmyk[3]});
    DrawObject(ctx, obj, symbol);
  }
  return img;
}

namespace {
bool BlankIcon(const uint8_t* icon) {
  return std::all_of(icon, icon + SymbolRecord::kIconSize, [](uint8_t b) { return b == 0xff; });
}
}  // namespace

QString SymbolText(const SymbolRecord& s) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d.%d ", s.Number() / 10, std::abs(s.Number() % 10));
  return QString::fromLatin1(buf) + MapTextToQt(s.Description());
}

TSymbolWin::TSymbolWin(QWidget* parent)
    : QWidget(parent), scroll_(new QScrollBar(Qt::Vertical, this)) {
  setFixedWidth(kColumns * kCell + 1 + scroll_->sizeHint().width());
  setAttribute(Qt::WA_OpaquePaintEvent);
  scroll_->setSingleStep(kCell);
  connect(scroll_, &QScrollBar::valueChanged, this, qOverload<>(&QWidget::update));
}

int TSymbolWin::SymbolCount() const {
  return store_ && store_->IsOpen() ? store_->SymbolCount() : 0;
}

void TSymbolWin::SetCurrent(int place) {
  if (place == current_) return;
  current_ = place;
  EnsureVisible(place);
  update();
}

void TSymbolWin::TableChanged() {
  const int rows = (SymbolCount() + kColumns - 1) / kColumns;
  scroll_->setRange(0, std::max(0, rows * kCell - height()));
  scroll_->setPageStep(std::max(kCell, height() - kCell));
  if (current_ >= SymbolCount()) current_ = SymbolCount() > 0 ? SymbolCount() - 1 : -1;
  update();
}

QRect TSymbolWin::CellRect(int place) const {
  return QRect((place % kColumns) * kCell, (place / kColumns) * kCell - scroll_->value(), kCell,
               kCell);
}

int TSymbolWin::PlaceAt(QPoint p) const {
  if (p.x() < 0 || p.x() >= kColumns * kCell || p.y() < 0) return -1;
  const int place = ((p.y() + scroll_->value()) / kCell) * kColumns + p.x() / kCell;
  return place < SymbolCount() ? place : -1;
}

void TSymbolWin::EnsureVisible(int place) {
  if (place < 0) return;
  const QRect r = CellRect(place);
  if (r.top() < 0)
    scroll_->setValue(scroll_->value() + r.top());
  else if (r.bottom() >= height())
    scroll_->setValue(scroll_->value() + r.bottom() - height() + 1);
}

QString TSymbolWin::ToolTipAt(QPoint p) const {
  const int place = PlaceAt(p);
  return place >= 0 ? SymbolText(store_->Symbol(place)) : QString();
}

bool TSymbolWin::event(QEvent* e) {
  if (e->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(e);
    const int place = PlaceAt(help->pos());
    if (place >= 0) {
      QToolTip::showText(help->globalPos(), ToolTipAt(help->pos()), this, CellRect(place));
    } else {
      QToolTip::hideText();
      e->ignore();
    }
    return true;
  }
  return QWidget::event(e);
}

void TSymbolWin::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().window());
  const int count = SymbolCount();
  for (int place = 0; place < count; ++place) {
    const QRect cell = CellRect(place);
    if (cell.bottom() < 0 || cell.top() > height()) continue;
    const SymbolRecord& s = store_->Symbol(place);
    const uint8_t status = s.Status();
    p.setOpacity(status == kStatusHidden ? 0.3 : 1.0);
    p.drawImage(cell.topLeft() + QPoint(1, 1), BlankIcon(s.Icon())
                                                   ? SymbolPreview(*store_, s, fonts_)
                                                   : DecodeSymbolIcon(s.Icon()));
    p.setOpacity(1.0);
    if (status == kStatusProtected) {
      // A protected symbol cannot be drawn with: a small bar in its corner says so.
      p.fillRect(QRect(cell.right() - 5, cell.top() + 1, 5, 3), QColor(200, 0, 0));
    }
    if (s.Selected()) {
      p.setPen(QPen(QColor(0, 0, 200), 2));
      p.setBrush(Qt::NoBrush);
      p.drawRect(cell.adjusted(1, 1, -1, -1));
    }
    if (place == current_) {
      p.setPen(QPen(Qt::red, 2));
      p.setBrush(Qt::NoBrush);
      p.drawRect(cell.adjusted(1, 1, -1, -1));
    }
  }
}

void TSymbolWin::mousePressEvent(QMouseEvent* e) {
  const int place = PlaceAt(e->position().toPoint());
  if (e->button() == Qt::LeftButton) {
    if (symbolClicked)
      symbolClicked(place, e->modifiers() & Qt::ShiftModifier,
                    e->modifiers() & Qt::ControlModifier);
  } else if (e->button() == Qt::RightButton) {
    if (popupRequested) popupRequested(place, e->globalPosition().toPoint());
  }
}

void TSymbolWin::wheelEvent(QWheelEvent* e) {
  scroll_->setValue(scroll_->value() - e->angleDelta().y() / 120 * kCell);
}

void TSymbolWin::resizeEvent(QResizeEvent*) {
  const int w = scroll_->sizeHint().width();
  scroll_->setGeometry(width() - w, 0, w, height());
  TableChanged();
}

}  // namespace zelk
