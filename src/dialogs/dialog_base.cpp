// The shared frame of the dialogs.
#include "dialogs/dialog_base.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace zelk {

TZelkDlg::TZelkDlg(MessageSink& sink, HelpRequester* help, const QString& caption, int helpContext,
                   QWidget* parent)
    : QDialog(parent), sink_(sink), help_(help), helpContext_(helpContext) {
  setWindowTitle(caption);
  setModal(true);
  setProperty(kHelpContextProperty, helpContext);
  auto* outer = new QVBoxLayout(this);
  body_ = new QVBoxLayout;
  outer->addLayout(body_);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  OkBtn = new QPushButton("OK", this);
  CancelBtn = new QPushButton("Cancel", this);
  HelpBtn = new QPushButton("&Help", this);
  OkBtn->setObjectName("OkBtn");
  CancelBtn->setObjectName("CancelBtn");
  HelpBtn->setObjectName("HelpBtn");
  OkBtn->setDefault(true);
  OkBtn->setAutoDefault(true);
  CancelBtn->setAutoDefault(false);
  HelpBtn->setAutoDefault(false);
  HelpBtn->setVisible(helpContext > 0);
  row->addWidget(OkBtn);
  row->addWidget(CancelBtn);
  row->addWidget(HelpBtn);
  outer->addLayout(row);
  connect(OkBtn, &QPushButton::clicked, this, [this] { OkBtnClick(); });
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  connect(HelpBtn, &QPushButton::clicked, this, &TZelkDlg::HelpBtnClick);
}

bool TZelkDlg::OkBtnClick() {
  if (!TakeOver()) return false;
  accept();
  return true;
}

void TZelkDlg::HelpBtnClick() {
  if (help_ && helpContext_ > 0) help_->ShowHelp(helpContext_);
}

void TZelkDlg::showEvent(QShowEvent* e) {
  // Spontaneous shows (restoring a minimised window) must not discard what was typed.
  if (!e->spontaneous()) FormShow();
  QDialog::showEvent(e);
}

}  // namespace zelk
