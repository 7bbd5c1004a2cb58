// The document's dialogs show map texts in the map's code page and hand them back unchanged.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "editor_fixture.h"

namespace zelk {
namespace {

// Presses OK of the next modal dialog once it runs.
void PressOkWhenModal() {
  QTimer::singleShot(0, [] {
    auto* modal = qobject_cast<TZelkDlg*>(QApplication::activeModalWidget());
    if (!modal) return PressOkWhenModal();
    modal->OkBtn->click();
  });
}

TEST(FileInformationDialog, ShowsTheCharactersOfTheMapsCodePage) {
  EnsureApplication();
  RecordingSink sink;
  TFileInfoDlg dlg("Caf\xe9 \x80 5\r\nK\xe4rnten", sink, nullptr);
  EXPECT_EQ(dlg.InfoB->toPlainText(), QString::fromUtf8("Café € 5\nKärnten"));
}

TEST(FileInformationDialog, OkWithoutChangesGivesBackTheSameBytes) {
  EnsureApplication();
  RecordingSink sink;
  const std::string texts[] = {
      "\xe4\x80",
      "Survey 2024\r\nSecond line\r\n",
      "no-break\xa0space and \x84quotes\x93",
      "lone\rreturn and lone\nfeed",
      "unassigned \x81\x8d\x8f\x90\x9d bytes",
      "",
  };
  for (const std::string& text : texts) {
    TFileInfoDlg dlg(text, sink, nullptr);
    dlg.show();
    dlg.OkBtn->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Text(), text);
  }
  // The same through the dialog the main window runs.
  QtDocumentDialogs dialogs(nullptr, sink, nullptr, nullptr, "");
  PressOkWhenModal();
  EXPECT_EQ(dialogs.EditInformation("Gr\xfc\xdf"
                                    "e \x80\r\n"),
            std::optional<std::string>("Gr\xfc\xdf"
                                       "e \x80\r\n"));
}

TEST(FileInformationDialog, EditedTextIsStoredInTheMapsCodePage) {
  EnsureApplication();
  RecordingSink sink;
  TFileInfoDlg dlg("K\xe4rnten", sink, nullptr);
  dlg.InfoB->moveCursor(QTextCursor::End);
  dlg.InfoB->insertPlainText(QString::fromUtf8(" ä€\nΩ"));
  EXPECT_EQ(dlg.Text(), "K\xe4rnten \xe4\x80\r\n?");
  // The map keeps at most 32767 characters, one byte each.
  dlg.InfoB->setPlainText(QString(40000, QChar(0xe4)));
  EXPECT_EQ(dlg.Text(), std::string(32767, '\xe4'));
}

TEST(NewMapDialog, ShowsTheInformationOfTheSymbolSetInItsCodePage) {
  EnsureApplication();
  TempDir dir;
  const std::string set = WriteTestMap(dir, "set.zkm", 0);
  {
    RecordingSink storeSink;
    MapStore store(&storeSink);
    store.WorkingFile().OpenExisting(set);
    ASSERT_TRUE(store.LoadFromWorkingFile());
    ASSERT_TRUE(store.WriteInfoText("Symbole f\xfcr K\xe4rnten\r\n\x80 2024"));
    store.CloseWorkingFile();
  }
  RecordingSink sink;
  TNewMapDlg dlg(dir.Path(), nullptr, sink, nullptr);
  ASSERT_EQ(dlg.SymbolListB->count(), 1);
  EXPECT_EQ(dlg.InfoB->toPlainText(), QString::fromUtf8("Symbole für Kärnten\n€ 2024"));
}

TEST(FontsNotFoundDialog, NamesTheFontsInTheMapsCodePage) {
  EnsureApplication();
  RecordingSink sink;
  TFontsDlg dlg({"Symbol 401.0: Schrift Gro\xdf"}, sink, nullptr);
  ASSERT_EQ(dlg.FontListB->count(), 1);
  EXPECT_EQ(dlg.FontListB->item(0)->text(), QString::fromUtf8("Symbol 401.0: Schrift Groß"));
}

}  // namespace
}  // namespace zelk
