// Key preview for the main window, and input held back while the screen is redrawn.
#include "editor/input_gate.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace zelk {

InputGate::InputGate(QWidget* form) : QObject(form), form_(form) {
  qApp->installEventFilter(this);
}

InputGate::~InputGate() {
  if (qApp) qApp->removeEventFilter(this);
}

bool InputGate::BelongsToForm(QObject* o) const {
  auto* w = qobject_cast<QWidget*>(o);
  if (!w) {
    // Key events reach the form's top-level window object before its widgets.
    auto* win = qobject_cast<QWindow*>(o);
    return win && form_->windowHandle() == win;
  }
  return w == form_ || form_->isAncestorOf(w);
}

void InputGate::BeginCapture() {
  capturing_ = true;
  waiting_ = false;
  escapeHeld_ = false;
  sinceLastPoll_.invalidate();
}

void InputGate::EndCapture() {
  capturing_ = false;
  waiting_ = false;
  if (!held_.empty()) QMetaObject::invokeMethod(this, &InputGate::Replay, Qt::QueuedConnection);
}

bool InputGate::InputWaiting() {
  if (waiting_) return true;
  if (!sinceLastPoll_.isValid() || sinceLastPoll_.elapsed() >= kPollMilliseconds) {
    sinceLastPoll_.start();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  }
  return waiting_;
}

void InputGate::Replay() {
  std::vector<Held> held = std::move(held_);
  held_.clear();
  replaying_ = true;
  for (Held& h : held) {
    if (!h.receiver) continue;
    QEvent* e = h.event.get();
    if (e->type() == QEvent::KeyPress && replayShortcut &&
        replayShortcut(static_cast<QKeyEvent*>(e)))
      continue;
    if (e->type() == QEvent::Close) {
      if (auto* w = qobject_cast<QWidget*>(h.receiver.data())) w->close();
      continue;
    }
    QCoreApplication::sendEvent(h.receiver, e);
  }
  replaying_ = false;
}

bool InputGate::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (capturing_) {
    switch (type) {
      case QEvent::ShortcutOverride:
        // Claiming the key keeps menu shortcuts from running in the middle of the drawing;
        // the key press that follows is held and offered to the shortcuts afterwards.
        event->accept();
        return true;
      case QEvent::KeyPress:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
      case QEvent::NonClientAreaMouseButtonPress:
      case QEvent::Wheel:
      case QEvent::Close:
      case QEvent::KeyRelease:
      case QEvent::MouseButtonRelease: {
        if (!qobject_cast<QWidget*>(watched)) return false;  // reaches the widget next
        if (type == QEvent::KeyPress) {
          auto* k = static_cast<QKeyEvent*>(event);
          if (k->key() == Qt::Key_Escape) escapeHeld_ = true;
          // Esc still sets the abort request at once.
          if (keyDown && k->key() == Qt::Key_Escape) keyDown(k);
        }
        if (type != QEvent::KeyRelease && type != QEvent::MouseButtonRelease) waiting_ = true;
        held_.push_back({watched, std::unique_ptr<QEvent>(event->clone())});
        if (type == QEvent::Close) event->ignore();
        return true;
      }
      default:
        return false;
    }
  }
  // Only the first delivery counts: a key the focus widget ignores travels on to its parents.
  QWidget* focus = QApplication::focusWidget();
  const bool firstDelivery = watched == focus || (!focus && watched == form_);
  if ((type == QEvent::KeyPress || type == QEvent::KeyRelease) && qobject_cast<QWidget*>(watched) &&
      BelongsToForm(watched) && !QApplication::activeModalWidget()) {
    auto* k = static_cast<QKeyEvent*>(event);
    if (type == QEvent::KeyPress) return firstDelivery && keyDown && keyDown(k);
    // Releases only clear flags, so a second delivery does no harm.
    if (keyUp) keyUp(k);
  }
  return false;
}

}  // namespace zelk
