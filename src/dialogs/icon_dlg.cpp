// The icon editor dialog.
#include "dialogs/icon_dlg.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

namespace zelk {

namespace {
QColor Qt16(int i) {
  const IconColor c = kIconPalette[static_cast<size_t>(i & 15)];
  return QColor(c.r, c.g, c.b);
}
}  // namespace

IconView::IconView(IconEditor& editor, int scale, bool takesMouse, QWidget* parent)
    : QWidget(parent), editor_(editor), scale_(scale), takesMouse_(takesMouse) {
  setFixedSize(IconImage::kSize * scale + 2, IconImage::kSize * scale + 2);
}

void IconView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::gray);
  const IconImage& img = editor_.Image();
  for (int y = 0; y < IconImage::kSize; ++y)
    for (int x = 0; x < IconImage::kSize; ++x)
      p.fillRect(1 + x * scale_, 1 + y * scale_, scale_, scale_, Qt16(img.Get(x, y)));
  if (scale_ >= 6) {
    p.setPen(QColor(220, 220, 220));
    for (int i = 0; i <= IconImage::kSize; ++i) {
      p.drawLine(1 + i * scale_, 1, 1 + i * scale_, 1 + IconImage::kSize * scale_);
      p.drawLine(1, 1 + i * scale_, 1 + IconImage::kSize * scale_, 1 + i * scale_);
    }
  }
}

QPoint IconView::Pixel(const QPointF& p) const {
  return {static_cast<int>(std::floor((p.x() - 1) / scale_)),
          static_cast<int>(std::floor((p.y() - 1) / scale_))};
}

void IconView::mousePressEvent(QMouseEvent* e) {
  if (!takesMouse_ || e->button() != Qt::LeftButton) return;
  const QPoint px = Pixel(e->position());
  editor_.Press(px.x(), px.y());
  emit Changed();
}

void IconView::mouseMoveEvent(QMouseEvent* e) {
  if (!takesMouse_) return;
  const QPoint px = Pixel(e->position());
  editor_.Move(px.x(), px.y());
  emit Changed();
}

void IconView::mouseReleaseEvent(QMouseEvent* e) {
  if (!takesMouse_ || e->button() != Qt::LeftButton) return;
  const QPoint px = Pixel(e->position());
  editor_.Release(px.x(), px.y());
  emit Changed();
}

IconColorGrid::IconColorGrid(IconEditor& editor, QWidget* parent)
    : QWidget(parent), editor_(editor) {
  setFixedSize(8 * 20 + 1, 2 * 20 + 1);
}

void IconColorGrid::Choose(int color) {
  editor_.color = color & 15;
  update();
}

void IconColorGrid::paintEvent(QPaintEvent*) {
  QPainter p(this);
  for (int i = 0; i < 16; ++i) {
    const QRect r((i % 8) * 20, (i / 8) * 20, 20, 20);
    p.fillRect(r, Qt16(i));
    p.setPen(i == editor_.color ? QPen(Qt::red, 2) : QPen(Qt::black));
    p.drawRect(r.adjusted(1, 1, -1, -1));
  }
}

void IconColorGrid::mousePressEvent(QMouseEvent* e) {
  const int col = static_cast<int>(e->position().x()) / 20;
  const int row = static_cast<int>(e->position().y()) / 20;
  if (col >= 0 && col < 8 && row >= 0 && row < 2) Choose(row * 8 + col);
}

TEditIconDlg::TEditIconDlg(const uint8_t* icon, MessageSink& sink, HelpRequester* help,
                           QWidget* parent)
    : TZelkDlg(sink, help, "Edit Icon", help::kEditIcon, parent), editor_(IconImage(icon)) {
  auto* row = new QHBoxLayout;
  auto* tools = new QVBoxLayout;
  auto* group = new QButtonGroup(this);
  struct {
    QToolButton** button;
    const char* name;
    const char* caption;
    IconTool tool;
  } kinds[] = {{&PenBtn, "PenBtn", "Pen", IconTool::Pen},
               {&LineBtn, "LineBtn", "Line", IconTool::Line},
               {&RectBtn, "RectBtn", "Rectangle", IconTool::Rect},
               {&FullRectB, "FullRectB", "Filled rectangle", IconTool::FullRect},
               {&CircleBtn, "CircleBtn", "Circle", IconTool::Circle},
               {&FullCircleB, "FullCircleB", "Filled circle", IconTool::FullCircle}};
  for (auto& k : kinds) {
    auto* b = new QToolButton(this);
    b->setObjectName(k.name);
    b->setText(k.caption);
    b->setToolTip(k.caption);
    b->setCheckable(true);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    group->addButton(b);
    tools->addWidget(b);
    const IconTool tool = k.tool;
    connect(b, &QToolButton::clicked, this, [this, tool] { editor_.tool = tool; });
    *k.button = b;
  }
  PenBtn->setChecked(true);
  tools->addStretch(1);
  row->addLayout(tools);
  EnlargedB = new IconView(editor_, 12, true, this);
  EnlargedB->setObjectName("EnlargedB");
  row->addWidget(EnlargedB);
  auto* right = new QVBoxLayout;
  RealSizeB = new IconView(editor_, 1, false, this);
  RealSizeB->setObjectName("RealSizeB");
  right->addWidget(RealSizeB);
  right->addStretch(1);
  row->addLayout(right);
  Body()->addLayout(row);
  ColorB = new IconColorGrid(editor_, this);
  ColorB->setObjectName("ColorB");
  Body()->addWidget(ColorB);
  connect(EnlargedB, &IconView::Changed, this, [this] {
    EnlargedB->update();
    RealSizeB->update();
  });
}

}  // namespace zelk
