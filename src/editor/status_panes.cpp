// Rulers, the status line and the status-line progress.
#include "editor/status_panes.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <cmath>
#include <cstdio>

#include "render/real_world.h"

namespace zelk {

std::string CoordinateText(const SetupBlock& setup, bool realWorld, int32_t x, int32_t y) {
  char buf[96];
  if (!realWorld) {
    std::snprintf(buf, sizeof buf, "%.2f   %.2f", x / double(kWordsPerMm), y / double(kWordsPerMm));
    return buf;
  }
  const auto [east, north] = RealWorldTransform(setup).ToWorld(x, y);
  std::snprintf(buf, sizeof buf, "%.0f   %.0f", east, north);
  return buf;
}

std::string ZoomText(double z) {
  char buf[32];
  if (std::abs(z - std::round(z)) < 1e-9)
    std::snprintf(buf, sizeof buf, "%.0fX", z);
  else
    std::snprintf(buf, sizeof buf, "%.2fX", z);
  return buf;
}

TScaleRuler::TScaleRuler(Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), orientation_(orientation) {
  if (orientation == Qt::Horizontal)
    setFixedHeight(kThickness);
  else
    setFixedWidth(kThickness);
}

void TScaleRuler::SetMouse(int pixel) {
  if (pixel == mouse_) return;
  mouse_ = pixel;
  update();
}

int TScaleRuler::LabelStep(double pixelsPerMm) {
  // Labels at least 40 pixels apart, on steps of 1, 2 or 5 times a power of ten.
  for (int step : {1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000, 50000})
    if (step * pixelsPerMm >= 40) return step;
  return 100000;
}

void TScaleRuler::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().button());
  p.setPen(palette().mid().color());
  if (orientation_ == Qt::Horizontal)
    p.drawLine(0, height() - 1, width(), height() - 1);
  else
    p.drawLine(width() - 1, 0, width() - 1, height());
  if (!shown_ || !view_) return;
  const bool hor = orientation_ == Qt::Horizontal;
  const double scale = hor ? view_->scaleX : view_->scaleY;  // pixels per coordinate word
  const double perMm = std::abs(scale) * double(kWordsPerMm);
  const int label = LabelStep(perMm);
  const int tick = label % 5 == 0 ? label / 5 : label / 2 > 0 ? label / 2 : 1;
  const int length = hor ? width() : height();
  auto toWords = [&](double pixel) { return hor ? view_->WordsX(pixel) : view_->WordsY(pixel); };
  auto toPixel = [&](double words) { return hor ? view_->DeviceX(words) : view_->DeviceY(words); };
  // Millimetres at both ends of the ruler.
  const double a = toWords(0) / double(kWordsPerMm);
  const double b = toWords(length) / double(kWordsPerMm);
  const double lo = std::min(a, b), hi = std::max(a, b);
  QFont f = font();
  f.setPixelSize(9);
  p.setFont(f);
  p.setPen(palette().text().color());
  for (double mm = std::floor(lo / tick) * tick; mm <= hi; mm += tick) {
    const int pos = static_cast<int>(std::lround(toPixel(mm * double(kWordsPerMm))));
    const bool labelled = std::fmod(std::abs(mm), label) < 0.5;
    const int len = labelled ? 8 : 4;
    if (hor) {
      p.drawLine(pos, height() - len, pos, height() - 1);
      if (labelled)
        p.drawText(pos + 2, 9, QString::number(static_cast<long long>(std::llround(mm))));
    } else {
      p.drawLine(width() - len, pos, width() - 1, pos);
      if (labelled) {
        p.save();
        p.translate(9, pos - 2);
        p.rotate(-90);
        p.drawText(0, 0, QString::number(static_cast<long long>(std::llround(mm))));
        p.restore();
      }
    }
  }
  if (mouse_ >= 0) {
    p.setPen(Qt::red);
    if (hor)
      p.drawLine(mouse_, 0, mouse_, height());
    else
      p.drawLine(0, mouse_, width(), mouse_);
  }
}

void TProgressBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().button());
  p.fillRect(QRect(0, 0, filled_, height()), QColor(0, 0, 128));
}

TStatusPanel::TStatusPanel(QWidget* parent) : QWidget(parent) {
  setFixedHeight(18);
  auto* lay = new QHBoxLayout(this);
  lay->setContentsMargins(0, 0, 0, 0);
  lay->setSpacing(2);
  QFont f = font();
  f.setPixelSize(11);
  auto pane = [&](int width) {
    auto* l = new QLabel(this);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setFont(f);
    l->setContentsMargins(3, 0, 3, 0);
    if (width > 0) l->setFixedWidth(width);
    lay->addWidget(l, width > 0 ? 0 : 1);
    return l;
  };
  LeftStatus = pane(216);
  CenterStatus = pane(169);
  ZoomStatus = pane(48);
  RightStatus = pane(0);
  ProgressB = new TProgressBar(CenterStatus);
  ProgressB->setGeometry(2, 2, 165, 14);
  ProgressB->hide();
}

void StatusProgress::Start(const std::string& message, int32_t total, int32_t step, bool showAbort,
                           const std::string& lead) {
  counter_.Start(message, total, step, lead);
  total_ = total;
  running_ = true;
  abort_ = false;
  panel_.LeftStatus->setText(QString::fromStdString(counter_.Text()));
  panel_.RightStatus->setText(showAbort ? "Press Esc to Abort" : "");
  panel_.ProgressB->SetFilled(0);
  panel_.ProgressB->setGeometry(panel_.CenterStatus->contentsRect().adjusted(0, 1, 0, -1));
  panel_.ProgressB->show();
}

void StatusProgress::Step(int32_t count, int32_t current) {
  if (!running_) return;
  if (counter_.CountChanged(count, current))
    panel_.LeftStatus->setText(QString::fromStdString(counter_.Text()));
  int filled = 0;
  if (counter_.BarChanged(current, panel_.ProgressB->width(), &filled))
    panel_.ProgressB->SetFilled(filled);
}

void StatusProgress::End() {
  running_ = false;
  panel_.ProgressB->hide();
  panel_.LeftStatus->clear();
  panel_.RightStatus->clear();
}

bool StatusProgress::AbortRequested() {
  // Looking at the event loop costs far more than an object; a few times a frame is enough.
  if (!sincePoll_.isValid() || sincePoll_.elapsed() >= 15) {
    sincePoll_.start();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  }
  return abort_;
}

}  // namespace zelk
