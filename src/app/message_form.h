// The program's one message dialog (errors, confirmations, questions) and the sink over it.
#pragma once

#include <QDialog>

#include "storage/messages.h"

class QLabel;
class QPushButton;

namespace zelk {

class HelpRequester;

enum class MessageKind { Error, Confirmation, Question };
enum class MessageResult { Ok, Cancel, Yes, No };

// An error has OK; a confirmation OK and Cancel; a question Yes, No and Cancel. A positive help
// context adds "&Help", which opens the topic and leaves the dialog open. The default button is
// OK when present, else Yes; Esc and the window's close button choose Cancel when present,
// else No (an error has only OK, which they choose).
class TMessageForm : public QDialog {
  Q_OBJECT

 public:
  TMessageForm(MessageKind kind, const QString& message, int helpContext, HelpRequester* help,
               QWidget* parent = nullptr);

  MessageKind Kind() const { return kind_; }
  MessageResult Result() const { return result_; }
  QString Message() const;
  QPushButton* DefaultButton() const;
  QPushButton* CancelButton() const;

  // Shows the dialog modally and returns the button chosen.
  static MessageResult Show(MessageKind kind, const QString& message, int helpContext = 0,
                            HelpRequester* help = nullptr, QWidget* parent = nullptr);

  QLabel* MessageL;
  QPushButton* OkBtn = nullptr;
  QPushButton* CancelBtn = nullptr;
  QPushButton* YesBtn = nullptr;
  QPushButton* NoBtn = nullptr;
  QPushButton* HelpBtn = nullptr;

  void HelpBtnClick();

 public slots:
  void reject() override;

 private:
  void Choose(MessageResult r);

  MessageKind kind_;
  int helpContext_;
  HelpRequester* help_;
  MessageResult result_;
};

// Messages of the editor: each one a TMessageForm over the given window.
class DialogMessageSink : public MessageSink {
 public:
  explicit DialogMessageSink(QWidget* parent = nullptr, HelpRequester* help = nullptr)
      : parent_(parent), help_(help) {}
  void SetParent(QWidget* parent) { parent_ = parent; }
  void SetHelp(HelpRequester* help) { help_ = help; }

  void Error(const std::string& message, int helpContext = 0) override;
  bool Confirm(const std::string& message, int helpContext = 0) override;
  Answer Ask(const std::string& message, int helpContext = 0) override;

 private:
  QWidget* parent_;
  HelpRequester* help_;
};

// The text as the dialog shows it: CR LF line ends become line breaks and the blank that the
// message rule puts after a line end is dropped.
QString MessageDisplayText(const std::string& message);

}  // namespace zelk
