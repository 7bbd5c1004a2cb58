// The message dialog.
#include "app/message_form.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "dialogs/dialog_base.h"

namespace zelk {

QString MessageDisplayText(const std::string& message) {
  QString text = QString::fromStdString(message);
  text.replace("\r\n", "\n");
  text.replace('\r', '\n');
  QStringList lines = text.split('\n');
  for (QString& line : lines) {
    while (line.startsWith(' ')) line.remove(0, 1);
  }
  return lines.join('\n');
}

TMessageForm::TMessageForm(MessageKind kind, const QString& message, int helpContext,
                           HelpRequester* help, QWidget* parent)
    : QDialog(parent), kind_(kind), helpContext_(helpContext), help_(help) {
  setWindowTitle("ZELK");
  setModal(true);
  setProperty(kHelpContextProperty, helpContext);

  auto* outer = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  auto* icon = new QLabel(this);
  const QStyle::StandardPixmap pixmap =
      kind == MessageKind::Error
          ? QStyle::SP_MessageBoxCritical
          : (kind == MessageKind::Confirmation ? QStyle::SP_MessageBoxWarning
                                               : QStyle::SP_MessageBoxQuestion);
  const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  icon->setPixmap(style()->standardIcon(pixmap, nullptr, this).pixmap(iconSize, iconSize));
  icon->setAlignment(Qt::AlignTop);
  MessageL = new QLabel(this);
  MessageL->setObjectName("MessageL");
  // Paths and user text must never be read as markup.
  MessageL->setTextFormat(Qt::PlainText);
  MessageL->setText(message);
  MessageL->setWordWrap(true);
  MessageL->setTextInteractionFlags(Qt::TextSelectableByMouse);
  MessageL->setMinimumWidth(260);
  MessageL->setMaximumWidth(560);
  top->addWidget(icon);
  top->addSpacing(10);
  top->addWidget(MessageL, 1);
  outer->addLayout(top);
  outer->addSpacing(8);

  auto* row = new QHBoxLayout;
  row->addStretch(1);
  auto add = [&](const char* caption, const char* name, MessageResult r) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(name);
    b->setAutoDefault(false);
    row->addWidget(b);
    connect(b, &QPushButton::clicked, this, [this, r] { Choose(r); });
    return b;
  };
  if (kind == MessageKind::Question) {
    YesBtn = add("&Yes", "YesBtn", MessageResult::Yes);
    NoBtn = add("&No", "NoBtn", MessageResult::No);
    CancelBtn = add("Cancel", "CancelBtn", MessageResult::Cancel);
  } else {
    OkBtn = add("OK", "OkBtn", MessageResult::Ok);
    if (kind == MessageKind::Confirmation)
      CancelBtn = add("Cancel", "CancelBtn", MessageResult::Cancel);
  }
  if (helpContext > 0) {
    HelpBtn = new QPushButton("&Help", this);
    HelpBtn->setObjectName("HelpBtn");
    HelpBtn->setAutoDefault(false);
    row->addWidget(HelpBtn);
    connect(HelpBtn, &QPushButton::clicked, this, &TMessageForm::HelpBtnClick);
  }
  row->addStretch(1);
  outer->addLayout(row);
  outer->setSizeConstraint(QLayout::SetFixedSize);

  QPushButton* def = DefaultButton();
  def->setDefault(true);
  def->setAutoDefault(true);
  def->setFocus();
  result_ = kind == MessageKind::Error ? MessageResult::Ok
                                       : (CancelBtn ? MessageResult::Cancel : MessageResult::No);
}

QString TMessageForm::Message() const {
  return MessageL->text();
}

QPushButton* TMessageForm::DefaultButton() const {
  return OkBtn ? OkBtn : YesBtn;
}

QPushButton* TMessageForm::CancelButton() const {
  if (CancelBtn) return CancelBtn;
  return NoBtn ? NoBtn : OkBtn;
}

void TMessageForm::Choose(MessageResult r) {
  result_ = r;
  done(r == MessageResult::Ok || r == MessageResult::Yes ? QDialog::Accepted : QDialog::Rejected);
}

void TMessageForm::reject() {
  // Esc and the close box act as the cancel button.
  if (CancelBtn) return Choose(MessageResult::Cancel);
  if (NoBtn) return Choose(MessageResult::No);
  Choose(MessageResult::Ok);
}

void TMessageForm::HelpBtnClick() {
  if (help_ && helpContext_ > 0) help_->ShowHelp(helpContext_);
}

MessageResult TMessageForm::Show(MessageKind kind, const QString& message, int helpContext,
                                 HelpRequester* help, QWidget* parent) {
  TMessageForm form(kind, message, helpContext, help, parent);
  form.exec();
  return form.Result();
}

void DialogMessageSink::Error(const std::string& message, int helpContext) {
  TMessageForm::Show(MessageKind::Error, MessageDisplayText(message), helpContext, help_, parent_);
}

bool DialogMessageSink::Confirm(const std::string& message, int helpContext) {
  return TMessageForm::Show(MessageKind::Confirmation, MessageDisplayText(message), helpContext,
                            help_, parent_) == MessageResult::Ok;
}

Answer DialogMessageSink::Ask(const std::string& message, int helpContext) {
  switch (TMessageForm::Show(MessageKind::Question, MessageDisplayText(message), helpContext, help_,
                             parent_)) {
    case MessageResult::Yes:
      return Answer::Yes;
    case MessageResult::No:
      return Answer::No;
    default:
      return Answer::Cancel;
  }
}

}  // namespace zelk
