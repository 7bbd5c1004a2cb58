// New Map, File Information and Fonts Not Found.
#include "editor/document_dialogs.h"

#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>
#include <filesystem>

#include "dialogs/map_text.h"

namespace zelk {

namespace {

// Map texts end their lines with CR LF; the editor fields know only line feeds.
QString ShownLines(const std::string& mapText) {
  QString shown = MapTextToQt(mapText);
  shown.replace("\r\n", "\n");
  return shown;
}

// The raw text keeps no-break spaces, which the plain text would turn into blanks.
QString EditedText(const QPlainTextEdit& edit) {
  QString t = edit.document()->toRawText();
  t.replace(QChar::ParagraphSeparator, '\n');
  t.replace(QChar::LineSeparator, '\n');
  return t;
}

}  // namespace

TNewMapDlg::TNewMapDlg(const std::string& symbolFolder, FileChooser* chooser, MessageSink& sink,
                       HelpRequester* help, QWidget* parent)
    : TZelkDlg(sink, help, "New Map", zelk::help::kNewMap, parent), chooser_(chooser) {
  auto* listL = new QLabel("Load symbols from:", this);
  SymbolListB = new QListWidget(this);
  listL->setBuddy(SymbolListB);
  auto* infoL = new QLabel("File information:", this);
  InfoB = new QPlainTextEdit(this);
  InfoB->setReadOnly(true);
  infoL->setBuddy(InfoB);
  OtherBtn = new QPushButton("Other...", this);
  Body()->addWidget(listL);
  Body()->addWidget(SymbolListB);
  Body()->addWidget(infoL);
  Body()->addWidget(InfoB);
  auto* row = new QHBoxLayout;
  row->addWidget(OtherBtn);
  row->addStretch();
  Body()->addLayout(row);
  resize(420, 380);

  paths_ = ListSymbolSets(symbolFolder);
  for (const std::string& p : paths_)
    SymbolListB->addItem(QString::fromStdString(std::filesystem::path(p).filename().string()));
  connect(SymbolListB, &QListWidget::currentRowChanged, this, [this] { SelectionChanged(); });
  connect(OtherBtn, &QPushButton::clicked, this, [this] { OtherBtnClick(); });
  if (!paths_.empty()) SymbolListB->setCurrentRow(0);
}

void TNewMapDlg::SelectionChanged() {
  const int row = SymbolListB->currentRow();
  const std::string text = row >= 0 && row < static_cast<int>(paths_.size())
                               ? SymbolSetInformation(paths_[static_cast<size_t>(row)])
                               : "";
  InfoB->setPlainText(ShownLines(text));
}

void TNewMapDlg::AddAndSelect(const std::string& path) {
  paths_.push_back(path);
  SymbolListB->addItem(QString::fromStdString(path));
  SymbolListB->setCurrentRow(SymbolListB->count() - 1);
}

void TNewMapDlg::OtherBtnClick() {
  if (!chooser_) return;
  const auto chosen =
      chooser_->ChooseFile(kLoadSymbolsFilter, "zkm", "", zelk::help::kLoadSymbols, false);
  if (chosen) AddAndSelect(*chosen);
}

bool TNewMapDlg::TakeOver() {
  const int row = SymbolListB->currentRow();
  if (row < 0 || row >= static_cast<int>(paths_.size())) {
    Sink().Error("No symbol file selected", zelk::help::kNoSymbolFile);
    return false;
  }
  chosen_ = paths_[static_cast<size_t>(row)];
  return true;
}

TFileInfoDlg::TFileInfoDlg(const std::string& text, MessageSink& sink, HelpRequester* help,
                           QWidget* parent)
    : TZelkDlg(sink, help, "File Information", zelk::help::kFileInformation, parent),
      original_(text) {
  InfoB = new QPlainTextEdit(this);
  InfoB->setPlainText(ShownLines(text));
  // What the field holds before any edit; an untouched text goes back as it came.
  shown_ = EditedText(*InfoB);
  Body()->addWidget(InfoB);
  resize(460, 320);
}

std::string TFileInfoDlg::Text() const {
  QString t = EditedText(*InfoB);
  if (t == shown_) return original_;
  // Lines are kept as the map stores them, with CR LF.
  t.replace("\n", "\r\n");
  std::string s = QtToMapText(t);
  if (s.size() > kMaxInfoText) s.resize(kMaxInfoText);
  return s;
}

TFontsDlg::TFontsDlg(const std::vector<std::string>& lines, MessageSink& sink, HelpRequester* help,
                     QWidget* parent)
    : TZelkDlg(sink, help, "Fonts Not Found", zelk::help::kFontsNotFound, parent) {
  Body()->addWidget(new QLabel("The following fonts of the map are not installed:", this));
  FontListB = new QListWidget(this);
  for (const std::string& l : lines) FontListB->addItem(MapTextToQt(l));
  Body()->addWidget(FontListB);
  if (CancelBtn) CancelBtn->hide();
  resize(380, 260);
}

std::optional<std::string> QtDocumentDialogs::ChooseSymbolSet() {
  TNewMapDlg dlg(folder_, chooser_, sink_, help_, parent_);
  if (dlg.exec() != QDialog::Accepted) return std::nullopt;
  return dlg.Chosen();
}

std::optional<std::string> QtDocumentDialogs::EditInformation(const std::string& text) {
  TFileInfoDlg dlg(text, sink_, help_, parent_);
  if (dlg.exec() != QDialog::Accepted) return std::nullopt;
  return dlg.Text();
}

void QtDocumentDialogs::FontsNotFound(const std::vector<std::string>& lines) {
  TFontsDlg dlg(lines, sink_, help_, parent_);
  dlg.exec();
}

}  // namespace zelk
