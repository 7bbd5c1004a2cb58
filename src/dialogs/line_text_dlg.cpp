#include "dialogs/line_text_dlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "dialogs/map_text.h"
#include "storage/messages.h"

namespace zelk {

TEditLTextDlg::TEditLTextDlg(MessageSink& sink, HelpRequester* help, QWidget* parent)
    : TZelkDlg(sink, help, "Edit Line Text", 0, parent) {
  auto* grid = new QGridLayout;
  TextB = new QLineEdit(this);
  TextB->setObjectName("TextB");
  TextB->setMinimumWidth(320);
  auto* label = new QLabel("&Text:", this);
  label->setBuddy(TextB);
  grid->addWidget(label, 0, 0);
  grid->addWidget(TextB, 0, 1);
  Body()->addLayout(grid);
}

void TEditLTextDlg::SetText(const std::string& mapText) {
  text_ = mapText;
  TextB->setText(MapTextToQt(mapText));
  TextB->selectAll();
}

bool TEditLTextDlg::TakeOver() {
  // Measured in the map's own bytes, as it is stored.
  const std::string text = QtToMapText(TextB->text());
  if (static_cast<int>(text.size()) > kMaxBytes) {
    Sink().Error(
        ComposeMessage("The text must not be longer than;characters.", std::to_string(kMaxBytes)));
    TextB->setFocus();
    return false;
  }
  text_ = text;
  return true;
}

}  // namespace zelk
