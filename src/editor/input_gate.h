// Watches the program's input: gives the main window every key first, and while the screen is
// redrawn notices waiting keys and button presses, holds them back and hands them on afterwards.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

class QEvent;
class QKeyEvent;
class QWidget;

namespace zelk {

class InputGate : public QObject {
 public:
  // Input is checked at most this often while a redraw runs, after the object being drawn:
  // looking costs a few microseconds, so once a millisecond costs under one per cent.
  static constexpr int kPollMilliseconds = 1;

  explicit InputGate(QWidget* form);
  ~InputGate() override;

  // Key-down and key-up of every key meant for the form's widgets, before the widget sees it;
  // returning true swallows the key.
  std::function<bool(QKeyEvent*)> keyDown;
  std::function<void(QKeyEvent*)> keyUp;
  // A key press held back during a redraw is offered here first (menu shortcuts).
  std::function<bool(QKeyEvent*)> replayShortcut;

  // While capturing, user input is held back and noted instead of delivered.
  void BeginCapture();
  // Stops capturing; the held input is delivered from the event loop, in its order.
  void EndCapture();
  bool Capturing() const { return capturing_; }
  // True when a key press or button press is waiting; lets the event loop deliver what has
  // arrived, at most every kPollMilliseconds.
  bool InputWaiting();
  // The held input included Esc: the user wants the drawing stopped, not resumed.
  bool EscapeHeld() const { return escapeHeld_; }
  int HeldCount() const { return static_cast<int>(held_.size()); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Held {
    QPointer<QObject> receiver;
    std::unique_ptr<QEvent> event;
  };
  bool BelongsToForm(QObject* o) const;
  void Replay();

  QWidget* form_;
  bool capturing_ = false;
  bool waiting_ = false;
  bool escapeHeld_ = false;
  bool replaying_ = false;
  QElapsedTimer sinceLastPoll_;
  std::vector<Held> held_;
};

}  // namespace zelk
