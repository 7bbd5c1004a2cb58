// What all dialogs share: OK, Cancel and Help buttons, a help context, a message sink.
#pragma once

#include <QDialog>

#include "storage/help_contexts.h"

class QBoxLayout;
class QPushButton;
class QVBoxLayout;

namespace zelk {

class MessageSink;

// Who opens a help topic for a context number (the help viewer in the editor).
class HelpRequester {
 public:
  virtual ~HelpRequester() = default;
  virtual void ShowHelp(int context) = 0;
  // The search over the topics; without one, the contents.
  virtual void ShowSearch() { ShowHelp(help::kContents); }
};

// The name of the widget property that holds a help context; F1 looks it up from the widget
// with the focus outwards.
inline constexpr const char* kHelpContextProperty = "helpContext";

// A modal dialog whose OK runs a check first: OkBtnClick returns false to keep it open.
class TZelkDlg : public QDialog {
  Q_OBJECT

 public:
  TZelkDlg(MessageSink& sink, HelpRequester* help, const QString& caption, int helpContext,
           QWidget* parent);

  int HelpContext() const { return helpContext_; }

  QPushButton* OkBtn;
  QPushButton* CancelBtn;
  QPushButton* HelpBtn;

  // Runs the checks and, when they pass, stores the values and closes the dialog.
  bool OkBtnClick();
  void HelpBtnClick();

 protected:
  // Shows the stored values; called each time the dialog is shown.
  virtual void FormShow() {}
  // Checks every field (showing the first problem) and stores the values; false keeps the
  // dialog open.
  virtual bool TakeOver() = 0;

  MessageSink& Sink() { return sink_; }
  // Who shows help topics, for the dialogs this one opens.
  HelpRequester* Help() const { return help_; }
  // The layout above the button row, for the dialog's own controls.
  QVBoxLayout* Body() { return body_; }

  void showEvent(QShowEvent* e) override;

 private:
  MessageSink& sink_;
  HelpRequester* help_;
  int helpContext_;
  QVBoxLayout* body_;
};

}  // namespace zelk
