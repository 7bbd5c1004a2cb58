// "Edit Line Text": the text of a line-text object.
#pragma once

#include <string>

#include "dialogs/dialog_base.h"

class QLineEdit;

namespace zelk {

class TEditLTextDlg : public TZelkDlg {
  Q_OBJECT

 public:
  // At most this many bytes of map text.
  static constexpr int kMaxBytes = 511;

  TEditLTextDlg(MessageSink& sink, HelpRequester* help, QWidget* parent = nullptr);
  // The text shown and, after OK, the text given (map text).
  void SetText(const std::string& mapText);
  const std::string& Text() const { return text_; }

  QLineEdit* TextB;

 protected:
  bool TakeOver() override;

 private:
  std::string text_;
};

}  // namespace zelk
