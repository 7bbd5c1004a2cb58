// The file dialogs of the document commands, over QFileDialog.
#pragma once

#include <QString>
#include <QStringList>
#include <string>

#include "storage/document.h"

class QFileDialog;
class QWidget;

namespace zelk {

struct DialogFilter {
  QString title;
  QStringList filters;  // in QFileDialog's notation: "Map files (*.zkm)"
};

// Splits "Title;Name|*.ext|Name|*.a;*.b" into the title and Qt's filters. The patterns of each
// pair are what the dialog matches, so a name's own "(*.ext)" is replaced by them, and "*.*"
// becomes "*" (a name need not contain a point to be a file).
DialogFilter ConvertFilter(const std::string& titleAndFilter);

class QtFileChooser : public FileChooser {
 public:
  explicit QtFileChooser(QWidget* parent = nullptr) : parent_(parent) {}

  std::optional<std::string> ChooseFile(const std::string& titleAndFilter,
                                        const std::string& defaultExtension,
                                        const std::string& startPath, int helpContext,
                                        bool forSaving) override;

  // Sets title, filters, extension, starting folder and file, help context and mode.
  static void Prepare(QFileDialog& dialog, const std::string& titleAndFilter,
                      const std::string& defaultExtension, const std::string& startPath,
                      int helpContext, bool forSaving);

 private:
  QWidget* parent_;
};

}  // namespace zelk
