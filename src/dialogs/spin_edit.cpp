// The numeric entry fields: key filter, stepping, reading and writing, and validation.
#include "dialogs/spin_edit.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QStyle>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <limits>

#include "dialogs/number_text.h"
#include "storage/messages.h"

namespace zelk {

namespace {
constexpr int kButtonWidth = 15;
constexpr int kButtonHeight = 17;  // the pair

// Rounding of the stepping rule: to nearest, halves to even, like all real arithmetic here.
double RoundEven(double v) {
  return std::nearbyint(v);
}

std::string Caption(const QLabel* label) {
  return label ? FieldName(label->text().toStdString()) : std::string();
}
std::string UnitCaption(const QLabel* label) {
  return label ? label->text().trimmed().toStdString() : std::string();
}
}  // namespace

// --- SpinField --------------------------------------------------------------------------

SpinField::SpinField(int defaultWidth, int maxLength, QWidget* parent)
    : QLineEdit(parent), defaultWidth_(defaultWidth) {
  setText("0");
  setMaxLength(maxLength);
  upBtn_ = new QToolButton(this);
  downBtn_ = new QToolButton(this);
  for (QToolButton* b : {upBtn_, downBtn_}) {
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoRepeat(true);
    b->setCursor(Qt::ArrowCursor);
    b->setStyleSheet("QToolButton { border: 1px solid palette(mid); padding: 0px; margin: 0px; }");
  }
  upBtn_->setArrowType(Qt::UpArrow);
  downBtn_->setArrowType(Qt::DownArrow);
  upBtn_->setObjectName("UpBtn");
  downBtn_->setObjectName("DownBtn");
  connect(upBtn_, &QToolButton::clicked, this, &SpinField::Up);
  connect(downBtn_, &QToolButton::clicked, this, &SpinField::Down);
  setTextMargins(0, 0, kButtonWidth, 0);
  setMinimumHeight(FontHeightRule());
  resize(defaultWidth_, std::max(FontHeightRule(), kButtonHeight + 2));
  PlaceButtons();
}

void SpinField::SetEditorEnabled(bool on) {
  editorEnabled_ = on;
  setAcceptDrops(CanChangeText());
}

void SpinField::SetReadOnly(bool on) {
  setReadOnly(on);
  setAcceptDrops(CanChangeText());
}

void SpinField::Beep() {
  QApplication::beep();
  emit Beeped();
}

void SpinField::ShowText(const QString& text) {
  if (text.size() > maxLength()) setMaxLength(static_cast<int>(text.size()));
  setText(text);
}

void SpinField::Up() {
  if (isReadOnly()) return Beep();
  StepUp();
}

void SpinField::Down() {
  if (isReadOnly()) return Beep();
  StepDown();
}

int SpinField::FontHeightRule() const {
  const int systemHeight = QFontMetrics(QApplication::font()).height();
  const int fieldHeight = fontMetrics().height();
  const int border = 1;
  return std::min(systemHeight, fieldHeight) / 4 + fieldHeight + 4 * border + 2;
}

QSize SpinField::sizeHint() const {
  return QSize(defaultWidth_, std::max(FontHeightRule(), kButtonHeight + 2));
}

QSize SpinField::minimumSizeHint() const {
  return QSize(kButtonWidth + fontMetrics().averageCharWidth() * 2, FontHeightRule());
}

void SpinField::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Up) return Up();
  if (e->key() == Qt::Key_Down) return Down();
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    // Left to the dialog, whose default button confirms it.
    e->ignore();
    return;
  }
  const bool changes =
      e->matches(QKeySequence::Paste) || e->matches(QKeySequence::Cut) ||
      e->matches(QKeySequence::Undo) || e->matches(QKeySequence::Redo) ||
      e->matches(QKeySequence::Delete) || e->matches(QKeySequence::Backspace) ||
      e->matches(QKeySequence::DeleteEndOfWord) || e->matches(QKeySequence::DeleteStartOfWord) ||
      e->matches(QKeySequence::DeleteEndOfLine) || e->matches(QKeySequence::DeleteCompleteLine);
  if (changes && !editorEnabled_) return Beep();
  if (e->matches(QKeySequence::Paste) || e->matches(QKeySequence::Cut)) {
    if (!CanChangeText()) return Beep();
    return QLineEdit::keyPressEvent(e);
  }
  const QString text = e->text();
  if (text.isEmpty() || (e->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)))
    return QLineEdit::keyPressEvent(e);  // moving, selecting, copying
  const char16_t code = text.at(0).unicode();
  if (code < 32 || code == 127) {
    if (!editorEnabled_ && (code == 8 || code == 127)) return Beep();
    return QLineEdit::keyPressEvent(e);
  }
  if (!editorEnabled_ || !AcceptsCharacter(text.at(0))) return Beep();
  QLineEdit::keyPressEvent(e);
}

void SpinField::contextMenuEvent(QContextMenuEvent* e) {
  QMenu* menu = createStandardContextMenu();
  for (QAction* a : menu->actions()) {
    const QString name = a->objectName();
    if ((name == "edit-paste" || name == "edit-cut") && !CanChangeText()) a->setEnabled(false);
    if ((name == "edit-delete" || name == "edit-undo" || name == "edit-redo") && !editorEnabled_)
      a->setEnabled(false);
  }
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(e->globalPos());
}

void SpinField::mouseReleaseEvent(QMouseEvent* e) {
  // The middle button pastes the selection on X11.
  if (e->button() == Qt::MiddleButton && !CanChangeText()) return e->accept();
  QLineEdit::mouseReleaseEvent(e);
}

void SpinField::dragEnterEvent(QDragEnterEvent* e) {
  if (!CanChangeText()) return e->ignore();
  QLineEdit::dragEnterEvent(e);
}

void SpinField::dropEvent(QDropEvent* e) {
  if (!CanChangeText()) return e->ignore();
  QLineEdit::dropEvent(e);
}

void SpinField::resizeEvent(QResizeEvent* e) {
  QLineEdit::resizeEvent(e);
  PlaceButtons();
}

void SpinField::changeEvent(QEvent* e) {
  QLineEdit::changeEvent(e);
  if (e->type() == QEvent::FontChange) {
    setMinimumHeight(FontHeightRule());
    updateGeometry();
  }
}

void SpinField::PlaceButtons() {
  const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
  const int pairHeight = std::min(kButtonHeight, height() - 2 * frame);
  const int top = (height() - pairHeight) / 2;
  const int x = width() - frame - kButtonWidth;
  const int upHeight = pairHeight / 2;
  upBtn_->setGeometry(x, top, kButtonWidth, upHeight);
  downBtn_->setGeometry(x, top + upHeight, kButtonWidth, pairHeight - upHeight);
}

// --- TIntSpin ---------------------------------------------------------------------------

TIntSpin::TIntSpin(QWidget* parent) : SpinField(65, 4, parent) {}

int32_t TIntSpin::Value() const {
  const IntegerText t = ReadIntegerText(text().toStdString());
  if (t.isNumber && t.value >= std::numeric_limits<int32_t>::min() &&
      t.value <= std::numeric_limits<int32_t>::max())
    return static_cast<int32_t>(t.value);
  if (minValue_ >= 1) return minValue_;
  if (maxValue_ >= 0) return 0;
  return maxValue_;
}

void TIntSpin::SetValue(int32_t v) {
  ShowText(QString::number(v));
}

bool TIntSpin::AcceptsCharacter(QChar c) const {
  return c.isDigit() && c.unicode() < 128 ? true : (c == '+' || c == '-');
}

void TIntSpin::StepUp() {
  const int32_t v = Value();
  if (Bounded() && v >= maxValue_) return;
  int64_t n = static_cast<int64_t>(v) + increment_;
  // A step that does not divide the range stops at the bound instead of passing it.
  if (Bounded())
    n = std::clamp<int64_t>(n, std::min(minValue_, maxValue_), std::max(minValue_, maxValue_));
  n = std::clamp<int64_t>(n, std::numeric_limits<int32_t>::min(),
                          std::numeric_limits<int32_t>::max());
  SetValue(static_cast<int32_t>(n));
}

void TIntSpin::StepDown() {
  const int32_t v = Value();
  if (Bounded() && v <= minValue_) return;
  int64_t n = static_cast<int64_t>(v) - increment_;
  if (Bounded())
    n = std::clamp<int64_t>(n, std::min(minValue_, maxValue_), std::max(minValue_, maxValue_));
  n = std::clamp<int64_t>(n, std::numeric_limits<int32_t>::min(),
                          std::numeric_limits<int32_t>::max());
  SetValue(static_cast<int32_t>(n));
}

// --- TRealSpin --------------------------------------------------------------------------

TRealSpin::TRealSpin(QWidget* parent) : SpinField(81, 6, parent) {}

double TRealSpin::Clamp(double v) const {
  if (!Bounded()) return v;
  const double lo = std::min(minValue_, maxValue_);
  const double hi = std::max(minValue_, maxValue_);
  return std::clamp(v, lo, hi);
}

double TRealSpin::Value() const {
  const RealText t = ReadRealText(text().toStdString());
  if (t.isNumber) return Clamp(t.value);
  if (minValue_ > 0) return minValue_;
  if (maxValue_ >= 0) return 0;
  return maxValue_;
}

void TRealSpin::SetValue(double v) {
  if (std::isnan(v)) v = 0;
  if (std::isinf(v)) v = std::copysign(std::numeric_limits<double>::max(), v);
  ShowText(QString::fromStdString(FormatFixed(Clamp(v), decimals_)));
}

bool TRealSpin::AcceptsCharacter(QChar c) const {
  return (c.isDigit() && c.unicode() < 128) || c == '+' || c == '-' || c == '.';
}

void TRealSpin::StepUp() {
  const double v = Value();
  if (Bounded() && v >= maxValue_) return;
  if (!(increment_ > 0)) return;
  const double k = RoundEven(v / increment_ - 0.4999);
  SetValue((k + 1) * increment_);
}

void TRealSpin::StepDown() {
  const double v = Value();
  if (Bounded() && v <= minValue_) return;
  if (!(increment_ > 0)) return;
  const double k = RoundEven(v / increment_ + 0.4999);
  SetValue((k - 1) * increment_);
}

// --- Validation -------------------------------------------------------------------------

std::optional<std::string> IntegerFieldProblem(const std::string& text, int32_t lo, int32_t hi,
                                               const std::string& name, const std::string& unit) {
  const IntegerText t = ReadIntegerText(text);
  if (!t.isNumber && !t.empty) return ComposeMessage(";must be a number.", name);
  const int64_t v = t.empty ? 0 : t.value;
  if (lo == hi || (v >= lo && v <= hi)) return std::nullopt;
  std::string high = std::to_string(hi);
  if (!unit.empty()) high += " " + unit;
  return ComposeMessage(";must be between;and", name + ";" + std::to_string(lo) + ";" + high);
}

std::optional<std::string> RealFieldProblem(const std::string& text, double lo, double hi,
                                            int decimals, const std::string& name,
                                            const std::string& unit) {
  const RealText t = ReadRealText(text);
  if (!t.isNumber && !t.empty) return ComposeMessage(";must be a number.", name);
  const double v = t.empty ? 0.0 : t.value;
  if (lo == hi || (v >= lo && v <= hi)) return std::nullopt;
  std::string arg = name + ";" + FormatFixed(lo, decimals) + ";" + FormatFixed(hi, decimals);
  if (!unit.empty()) arg += ";" + unit;
  return ComposeMessage(";must be between;and", arg);
}

namespace {
bool Report(QLineEdit* field, const std::optional<std::string>& problem, MessageSink& sink) {
  if (!problem) return true;
  sink.Error(*problem);
  field->setFocus(Qt::OtherFocusReason);
  field->selectAll();
  return false;
}
}  // namespace

bool Validate(TIntSpin* field, const QLabel* nameLabel, MessageSink& sink,
              const QLabel* unitLabel) {
  return Report(field,
                IntegerFieldProblem(field->text().toStdString(), field->MinValue(),
                                    field->MaxValue(), Caption(nameLabel), UnitCaption(unitLabel)),
                sink);
}

bool Validate(TRealSpin* field, const QLabel* nameLabel, const QLabel* unitLabel,
              MessageSink& sink) {
  return Report(field,
                RealFieldProblem(field->text().toStdString(), field->MinValue(), field->MaxValue(),
                                 field->Decimals(), Caption(nameLabel), UnitCaption(unitLabel)),
                sink);
}

}  // namespace zelk
