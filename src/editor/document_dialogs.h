// The document's own dialogs: New Map, File Information and Fonts Not Found.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "dialogs/dialog_base.h"
#include "storage/document.h"
#include "storage/help_contexts.h"

class QListWidget;
class QPlainTextEdit;

namespace zelk {

// What the main window asks of the user around the document commands; tests script it.
class DocumentDialogs {
 public:
  virtual ~DocumentDialogs() = default;
  // The New Map dialog: the chosen symbol set, or nothing when cancelled.
  virtual std::optional<std::string> ChooseSymbolSet() = 0;
  // The File Information dialog: the edited text, or nothing when cancelled.
  virtual std::optional<std::string> EditInformation(const std::string& text) = 0;
  // Shown after opening when fonts of the map are missing.
  virtual void FontsNotFound(const std::vector<std::string>& lines) = 0;
};

// "New Map": the symbol sets of the program, their information text, and "Other...".
class TNewMapDlg : public TZelkDlg {
 public:
  TNewMapDlg(const std::string& symbolFolder, FileChooser* chooser, MessageSink& sink,
             HelpRequester* help, QWidget* parent = nullptr);
  std::string Chosen() const { return chosen_; }
  // Adds a file picked elsewhere and selects it.
  void AddAndSelect(const std::string& path);

  QListWidget* SymbolListB;
  QPlainTextEdit* InfoB;
  QPushButton* OtherBtn;

  void OtherBtnClick();

 protected:
  bool TakeOver() override;

 private:
  void SelectionChanged();
  std::vector<std::string> paths_;
  FileChooser* chooser_;
  std::string chosen_;
};

// "File Information": the map's information text.
class TFileInfoDlg : public TZelkDlg {
 public:
  static constexpr size_t kMaxInfoText = 32767;
  TFileInfoDlg(const std::string& text, MessageSink& sink, HelpRequester* help,
               QWidget* parent = nullptr);
  // The text in the map's code page; exactly the given bytes when it was not edited.
  std::string Text() const;
  QPlainTextEdit* InfoB;

 protected:
  bool TakeOver() override { return true; }

 private:
  std::string original_;
  QString shown_;
};

// "Fonts Not Found": the fonts of text symbols that are not installed.
class TFontsDlg : public TZelkDlg {
 public:
  TFontsDlg(const std::vector<std::string>& lines, MessageSink& sink, HelpRequester* help,
            QWidget* parent = nullptr);
  QListWidget* FontListB;

 protected:
  bool TakeOver() override { return true; }
};

// The dialogs themselves.
class QtDocumentDialogs : public DocumentDialogs {
 public:
  QtDocumentDialogs(QWidget* parent, MessageSink& sink, FileChooser* chooser, HelpRequester* help,
                    std::string symbolFolder)
      : parent_(parent),
        sink_(sink),
        chooser_(chooser),
        help_(help),
        folder_(std::move(symbolFolder)) {}
  std::optional<std::string> ChooseSymbolSet() override;
  std::optional<std::string> EditInformation(const std::string& text) override;
  void FontsNotFound(const std::vector<std::string>& lines) override;

 private:
  QWidget* parent_;
  MessageSink& sink_;
  FileChooser* chooser_;
  HelpRequester* help_;
  std::string folder_;
};

}  // namespace zelk
