// "Template Resolution": the scanner resolution of a template file that states none.
#pragma once

#include "dialogs/dialog_base.h"

class QLabel;

namespace zelk {

class TIntSpin;

class TTempResolDlg : public TZelkDlg {
  Q_OBJECT

 public:
  static constexpr int kMinDpi = 50;
  static constexpr int kMaxDpi = 2000;

  TTempResolDlg(MessageSink& sink, HelpRequester* help, QWidget* parent = nullptr);
  // The value shown and, after OK, the value given (dots per inch).
  void SetResolution(int dpi);
  int Resolution() const { return dpi_; }

  TIntSpin* ResolutionB;
  QLabel* ResolutionL;
  QLabel* DpiL;

 protected:
  bool TakeOver() override;

 private:
  int dpi_ = 300;
};

}  // namespace zelk
