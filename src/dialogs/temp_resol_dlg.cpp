#include "dialogs/temp_resol_dlg.h"

#include <QGridLayout>
#include <QLabel>

#include "dialogs/spin_edit.h"

namespace zelk {

TTempResolDlg::TTempResolDlg(MessageSink& sink, HelpRequester* help, QWidget* parent)
    : TZelkDlg(sink, help, "Template Resolution", 0, parent) {
  auto* text = new QLabel(
      "Template file has no resolution information. Enter the scanner resolution.", this);
  text->setWordWrap(true);
  Body()->addWidget(text);
  auto* grid = new QGridLayout;
  ResolutionB = new TIntSpin(this);
  ResolutionB->setObjectName("ResolutionB");
  ResolutionB->SetRange(kMinDpi, kMaxDpi);
  ResolutionB->SetIncrement(50);
  ResolutionL = new QLabel("Resolution:", this);
  ResolutionL->setBuddy(ResolutionB);
  DpiL = new QLabel("DPI", this);
  grid->addWidget(ResolutionL, 0, 0);
  grid->addWidget(ResolutionB, 0, 1);
  grid->addWidget(DpiL, 0, 2);
  Body()->addLayout(grid);
}

void TTempResolDlg::SetResolution(int dpi) {
  dpi_ = dpi;
  ResolutionB->SetValue(dpi);
}

bool TTempResolDlg::TakeOver() {
  if (!Validate(ResolutionB, ResolutionL, Sink(), DpiL)) return false;
  dpi_ = ResolutionB->Value();
  return true;
}

}  // namespace zelk
