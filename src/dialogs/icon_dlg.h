// "Edit Icon": the symbol box picture of a symbol, painted with a pen and shape tools.
#pragma once

#include "dialogs/dialog_base.h"
#include "storage/icon_image.h"

class QToolButton;

namespace zelk {

// The icon drawn at a whole-number scale; the enlarged view takes the mouse.
class IconView : public QWidget {
  Q_OBJECT

 public:
  IconView(IconEditor& editor, int scale, bool takesMouse, QWidget* parent);
  int Scale() const { return scale_; }

 signals:
  void Changed();

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  QPoint Pixel(const QPointF& p) const;
  IconEditor& editor_;
  int scale_;
  bool takesMouse_;
};

// The 16 colours; a click chooses the drawing colour.
class IconColorGrid : public QWidget {
  Q_OBJECT

 public:
  IconColorGrid(IconEditor& editor, QWidget* parent);
  void Choose(int color);

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;

 private:
  IconEditor& editor_;
};

class TEditIconDlg : public TZelkDlg {
  Q_OBJECT

 public:
  TEditIconDlg(const uint8_t* icon, MessageSink& sink, HelpRequester* help,
               QWidget* parent = nullptr);
  const std::array<uint8_t, IconImage::kBytes>& Icon() const { return editor_.Image().Bytes(); }
  IconEditor& Editor() { return editor_; }

  IconView* RealSizeB;
  IconView* EnlargedB;
  IconColorGrid* ColorB;
  QToolButton* PenBtn;
  QToolButton* LineBtn;
  QToolButton* RectBtn;
  QToolButton* FullRectB;
  QToolButton* CircleBtn;
  QToolButton* FullCircleB;

 protected:
  bool TakeOver() override { return true; }

 private:
  IconEditor editor_;
};

}  // namespace zelk
