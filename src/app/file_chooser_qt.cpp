// File dialogs with the program's filter strings.
#include "app/file_chooser_qt.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

#include "dialogs/dialog_base.h"

namespace zelk {

DialogFilter ConvertFilter(const std::string& titleAndFilter) {
  DialogFilter out;
  QString rest = QString::fromStdString(titleAndFilter);
  // The title ends at the first ';' that comes before any '|'.
  const qsizetype semicolon = rest.indexOf(';');
  const qsizetype bar = rest.indexOf('|');
  if (semicolon >= 0 && (bar < 0 || semicolon < bar)) {
    out.title = rest.left(semicolon);
    rest = rest.mid(semicolon + 1);
  }
  const QStringList parts = rest.split('|');
  static const QRegularExpression trailingPatterns(R"(\s*\([^()]*\)\s*$)");
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString name = parts[i].trimmed();
    name.remove(trailingPatterns);
    QStringList patterns;
    for (QString p : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
      p = p.trimmed();
      if (p == "*.*") p = "*";
      if (!p.isEmpty() && !patterns.contains(p)) patterns << p;
    }
    if (patterns.isEmpty()) patterns << "*";
    if (name.isEmpty()) name = patterns.join(' ');
    out.filters << name + " (" + patterns.join(' ') + ")";
  }
  if (out.filters.isEmpty()) out.filters << "All files (*)";
  return out;
}

void QtFileChooser::Prepare(QFileDialog& dialog, const std::string& titleAndFilter,
                            const std::string& defaultExtension, const std::string& startPath,
                            int helpContext, bool forSaving) {
  const DialogFilter f = ConvertFilter(titleAndFilter);
  dialog.setWindowTitle(f.title);
  dialog.setNameFilters(f.filters);
  dialog.setDefaultSuffix(QString::fromStdString(defaultExtension));
  dialog.setAcceptMode(forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(forSaving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setProperty(kHelpContextProperty, helpContext);
  const QFileInfo start(QString::fromStdString(startPath));
  if (!startPath.empty() && start.absoluteDir().exists()) {
    dialog.setDirectory(start.absoluteDir());
    if (start.isFile()) dialog.selectFile(start.fileName());
  }
}

std::optional<std::string> QtFileChooser::ChooseFile(const std::string& titleAndFilter,
                                                     const std::string& defaultExtension,
                                                     const std::string& startPath, int helpContext,
                                                     bool forSaving) {
  QFileDialog dialog(parent_);
  Prepare(dialog, titleAndFilter, defaultExtension, startPath, helpContext, forSaving);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return QFileInfo(dialog.selectedFiles().first()).absoluteFilePath().toStdString();
}

}  // namespace zelk
