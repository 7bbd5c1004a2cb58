// The rulers beside the work window and the status line with its progress bar.
#pragma once

#include <QElapsedTimer>
#include <QLabel>
#include <QWidget>
#include <functional>

#include "render/view_transform.h"
#include "storage/messages.h"
#include "storage/records.h"

namespace zelk {

// The coordinate pane's text for a position in coordinate words: millimetres with 2 decimals,
// or with `realWorld` real-world metres with none, x and y three blanks apart.
std::string CoordinateText(const SetupBlock& setup, bool realWorld, int32_t x, int32_t y);
// The zoom pane's text: "4X", "0.25X".
std::string ZoomText(double zoom);

// A screen scale along the top (horizontal) or the left (vertical) edge of the work window,
// in millimetres of the map.
class TScaleRuler : public QWidget {
 public:
  static constexpr int kThickness = 17;
  TScaleRuler(Qt::Orientation orientation, QWidget* parent = nullptr);
  void SetView(const ViewTransform* view) {
    view_ = view;
    update();
  }
  void SetMapShown(bool shown) {
    shown_ = shown;
    update();
  }
  // The mouse position on the ruler's axis in work-window pixels, -1 for none.
  void SetMouse(int pixel);
  // Millimetres between labelled ticks at a scale (pixels per millimetre).
  static int LabelStep(double pixelsPerMm);

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  Qt::Orientation orientation_;
  const ViewTransform* view_ = nullptr;
  bool shown_ = false;
  int mouse_ = -1;
};

// The progress bar that fills the coordinate pane during long operations.
class TProgressBar : public QWidget {
 public:
  using QWidget::QWidget;
  void SetFilled(int width) {
    filled_ = width;
    update();
  }
  int Filled() const { return filled_; }

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  int filled_ = 0;
};

// The status line: prompt, coordinates (or the progress bar), zoom and current symbol.
class TStatusPanel : public QWidget {
 public:
  explicit TStatusPanel(QWidget* parent = nullptr);
  QLabel* LeftStatus;
  QLabel* CenterStatus;
  QLabel* ZoomStatus;
  QLabel* RightStatus;
  TProgressBar* ProgressB;
};

// Progress of long operations in the status line, with Esc to abort. Between steps the event
// loop runs so that the window stays painted and Esc arrives.
class StatusProgress : public Progress {
 public:
  StatusProgress(TStatusPanel& panel, bool& abortRequested)
      : panel_(panel), abort_(abortRequested) {}
  void Start(const std::string& message, int32_t total, int32_t step, bool showAbort,
             const std::string& lead) override;
  void Step(int32_t count, int32_t current) override;
  void End() override;
  bool AbortRequested() override;
  bool Running() const { return running_; }

 private:
  TStatusPanel& panel_;
  bool& abort_;
  ProgressCounter counter_;
  int32_t total_ = 0;
  bool running_ = false;
  QElapsedTimer sincePoll_;
};

}  // namespace zelk
