// The numeric entry fields of every dialog (TIntSpin, TRealSpin) and their validation.
#pragma once

#include <QLineEdit>
#include <cstdint>
#include <optional>
#include <string>

class QLabel;
class QToolButton;

namespace zelk {

class MessageSink;

// The edit field with an up/down button pair shared by both kinds. Bounds that are equal
// mean "no bounds" for reading, writing, stepping and validation alike, so a field never
// shows a value that reads back as another one.
class SpinField : public QLineEdit {
  Q_OBJECT

 public:
  bool EditorEnabled() const { return editorEnabled_; }
  void SetEditorEnabled(bool on);
  bool ReadOnly() const { return isReadOnly(); }
  void SetReadOnly(bool on);

  // The up and down buttons and arrow keys; a read-only field only beeps.
  void Up();
  void Down();

  QToolButton* UpButton() const { return upBtn_; }
  QToolButton* DownButton() const { return downBtn_; }
  // The least height at which the field's font fits with its borders.
  int FontHeightRule() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  // A refused key or step; the platform beep sounds as well.
  void Beeped();

 protected:
  SpinField(int defaultWidth, int maxLength, QWidget* parent);
  virtual bool AcceptsCharacter(QChar c) const = 0;
  virtual void StepUp() = 0;
  virtual void StepDown() = 0;
  void Beep();
  // Writes a value's text in full even when it is longer than typing allows.
  void ShowText(const QString& text);

  void keyPressEvent(QKeyEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  bool CanChangeText() const { return editorEnabled_ && !isReadOnly(); }
  void PlaceButtons();

  QToolButton* upBtn_;
  QToolButton* downBtn_;
  bool editorEnabled_ = true;
  int defaultWidth_;
};

class TIntSpin : public SpinField {
  Q_OBJECT

 public:
  explicit TIntSpin(QWidget* parent = nullptr);

  int32_t MinValue() const { return minValue_; }
  int32_t MaxValue() const { return maxValue_; }
  void SetMinValue(int32_t v) { minValue_ = v; }
  void SetMaxValue(int32_t v) { maxValue_ = v; }
  void SetRange(int32_t lo, int32_t hi) { minValue_ = lo, maxValue_ = hi; }
  int32_t Increment() const { return increment_; }
  void SetIncrement(int32_t v) { increment_ = v; }
  bool Bounded() const { return minValue_ != maxValue_; }

  // Text that is not an integer reads as the value nearest to zero that the bounds allow.
  int32_t Value() const;
  void SetValue(int32_t v);

 protected:
  bool AcceptsCharacter(QChar c) const override;
  void StepUp() override;
  void StepDown() override;

 private:
  int32_t minValue_ = 0;
  int32_t maxValue_ = 0;
  int32_t increment_ = 1;
};

class TRealSpin : public SpinField {
  Q_OBJECT

 public:
  explicit TRealSpin(QWidget* parent = nullptr);

  double MinValue() const { return minValue_; }
  double MaxValue() const { return maxValue_; }
  void SetMinValue(double v) { minValue_ = v; }
  void SetMaxValue(double v) { maxValue_ = v; }
  void SetRange(double lo, double hi) { minValue_ = lo, maxValue_ = hi; }
  double Increment() const { return increment_; }
  void SetIncrement(double v) { increment_ = v; }
  int Decimals() const { return decimals_; }
  void SetDecimals(int d) { decimals_ = d < 0 ? 0 : (d > 11 ? 11 : d); }
  bool Bounded() const { return minValue_ != maxValue_; }

  // The text's number clamped into the bounds; other text reads as the value nearest to zero
  // that the bounds allow (so an empty field reads 0 when 0 is allowed).
  double Value() const;
  // Clamps into the bounds and shows `Decimals` places.
  void SetValue(double v);

 protected:
  bool AcceptsCharacter(QChar c) const override;
  void StepUp() override;
  void StepDown() override;

 private:
  double Clamp(double v) const;

  double minValue_ = 0;
  double maxValue_ = 50.0;
  double increment_ = 0.1;
  int decimals_ = 2;
};

// The checks a dialog runs for each field before it closes. Each returns the message to show,
// or nothing when the text is acceptable. `unit` may be empty.
std::optional<std::string> IntegerFieldProblem(const std::string& text, int32_t lo, int32_t hi,
                                               const std::string& name,
                                               const std::string& unit = {});
std::optional<std::string> RealFieldProblem(const std::string& text, double lo, double hi,
                                            int decimals, const std::string& name,
                                            const std::string& unit = {});

// Shows the problem of a field, if any, gives it the focus and returns false; true when valid.
// The labels name the field and its unit; either may be null.
bool Validate(TIntSpin* field, const QLabel* nameLabel, MessageSink& sink,
              const QLabel* unitLabel = nullptr);
bool Validate(TRealSpin* field, const QLabel* nameLabel, const QLabel* unitLabel,
              MessageSink& sink);

}  // namespace zelk
