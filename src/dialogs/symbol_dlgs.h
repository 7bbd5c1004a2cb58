// The symbol editors: "New Symbol" and the dialog of each symbol type. Each shows its record's
// fields in the units a cartographer uses and builds the finished record on OK; the caller
// stores it in the map.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "dialogs/dialog_base.h"
#include "render/text_symbol.h"
#include "storage/symbol_derived.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QTabWidget;

namespace zelk {

class MapStore;
class TIntSpin;
class TRealSpin;

// "New Symbol": the type of the symbol to make.
class TNewSymDlg : public TZelkDlg {
  Q_OBJECT

 public:
  explicit TNewSymDlg(MessageSink& sink, HelpRequester* help, QWidget* parent = nullptr);
  // The chosen type; line text symbols are line symbols of subtype 1.
  SymbolType Type() const;
  int Subtype() const;
  std::array<QRadioButton*, 6> TypeB;

 protected:
  bool TakeOver() override { return true; }
};

// Shows a sample text in a symbol's font.
class FontPreview : public QWidget {
 public:
  explicit FontPreview(QWidget* parent = nullptr);
  void SetSample(const QString& text, const QString& family, double pointSize, bool bold,
                 bool italic, const QColor& color);
  // Paragraph mode: several lines with spacing (per cent of the size) and indents (mm).
  void SetParagraph(double lineSpacePercent, double indentFirstMm, double indentOtherMm);
  const QFont& SampleFont() const { return font_; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QString text_;
  QFont font_;
  QColor color_ = Qt::black;
  bool paragraph_ = false;
  double lineSpace_ = 120, indentFirst_ = 0, indentOther_ = 0;
};

// What the editors share: number, description, icon, the colour lists and the field checks.
class TSymbolDlg : public TZelkDlg {
  Q_OBJECT

 public:
  // `place` is the symbol's place in the map, -1 for a new one.
  TSymbolDlg(MapStore& store, const SymbolRecord& rec, int place, const QString& caption,
             int helpContext, MessageSink& sink, HelpRequester* help, QWidget* parent);
  // The finished record after OK.
  const SymbolRecord& Result() const { return result_; }
  // The element list whose drawing an "Edit..." button asked for (-1: none); the dialog was
  // closed with OK and Result() holds the symbol as typed.
  int EditRequest() const { return editRequest_; }

  QLineEdit* SymNumB;
  QLineEdit* DescriptionB;
  QPushButton* IconBtn;

  void IconBtnClick();
  // Stores the dialog as OK does and asks for the drawing of element list `list`.
  void RequestEdit(int list);

  // A colour list's choice: the chosen colour's number, or the number it was opened with.
  static int ColorOf(const QComboBox* list);
  // round(value x factor), halves to even, kept within 16 bits.
  static int16_t Stored(double value, double factor);

 protected:
  bool TakeOver() override;
  // The number field has the focus when the dialog opens.
  void FormShow() override;
  // The record of the type from the fields; `common` holds number, description and icon.
  virtual SymbolRecord Build(const SymbolRecord& common) = 0;

  // One row "caption [field] unit" of a grid; the field is checked on OK.
  TRealSpin* Real(QWidget* parent, QGridLayout* grid, int row, const char* caption,
                  const char* name, double lo, double hi, int decimals, const char* unit = "mm",
                  int column = 0);
  TIntSpin* Int(QWidget* parent, QGridLayout* grid, int row, const char* caption, const char* name,
                int lo, int hi, const char* unit = "", int column = 0);
  QComboBox* ColorList(QWidget* parent, const char* name, int number);
  QComboBox* LabeledColor(QWidget* parent, QGridLayout* grid, int row, const char* caption,
                          const char* name, int number, int column = 0);
  // The head rows (number, description, icon button) above the type's own fields.
  QGridLayout* HeadGrid() { return head_; }
  QColor ScreenColorOf(int number) const;

  MapStore& store_;
  SymbolRecord rec_;
  int place_;

 private:
  struct Checked {
    TRealSpin* real = nullptr;
    TIntSpin* integer = nullptr;
    QLabel* label = nullptr;
    QLabel* unit = nullptr;
  };
  std::vector<Checked> checked_;
  QGridLayout* head_;
  SymbolRecord result_;
  int editRequest_ = -1;
};

class TPointSymDlg : public TSymbolDlg {
  Q_OBJECT

 public:
  TPointSymDlg(MapStore& store, const SymbolRecord& rec, int place, MessageSink& sink,
               HelpRequester* help, QWidget* parent = nullptr);
  QPushButton* EditBtn;
  const ElementList& Elements() const { return elements_; }

 protected:
  SymbolRecord Build(const SymbolRecord& common) override;

 private:
  ElementList elements_;
};

class TLineSymDlg : public TSymbolDlg {
  Q_OBJECT

 public:
  TLineSymDlg(MapStore& store, const SymbolRecord& rec, int place, MessageSink& sink,
              HelpRequester* help, QWidget* parent = nullptr);

  QTabWidget* TabbedB;
  QComboBox* LineColorB;
  TRealSpin* LineWidthB;
  QCheckBox* LineEndsB;
  QCheckBox* PointedB;
  TRealSpin* DistFromStartB;
  TRealSpin* DistToEndB;
  TRealSpin* MainLengthB;
  TRealSpin* EndLengthB;
  TRealSpin* MainGapB;
  TRealSpin* SecGapB;
  TRealSpin* EndGapB;
  QCheckBox* MinGapB;
  TIntSpin* NPrimSymB;
  TRealSpin* PrimSymDistB;
  QPushButton* PrimEditBtn;
  QCheckBox* SecSymB;
  QCheckBox* CornerSymB;
  QCheckBox* StartSymB;
  QCheckBox* EndSymB;
  std::array<QPushButton*, 4> SymEditBtn;
  QComboBox* DblModeB;
  QCheckBox* DblFillB;
  QComboBox* DblFillColorB;
  TRealSpin* DblWidthB;
  TRealSpin* DblLeftWidthB;
  QComboBox* DblLeftColorB;
  TRealSpin* DblRightWidthB;
  QComboBox* DblRightColorB;
  TRealSpin* DblLengthB;
  TRealSpin* DblGapB;
  QRadioButton* DecOffB;
  QRadioButton* DecSingleB;
  QRadioButton* DecDoubleB;
  TIntSpin* DecLastB;

  // The lists as the dialog holds them (main, secondary, corner, start, end).
  const std::array<ElementList, 5>& Lists() const { return lists_; }

 protected:
  SymbolRecord Build(const SymbolRecord& common) override;

 private:
  LineSymbol fields_;
  std::array<ElementList, 5> lists_;
};

class TAreaSymDlg : public TSymbolDlg {
  Q_OBJECT

 public:
  TAreaSymDlg(MapStore& store, const SymbolRecord& rec, int place, MessageSink& sink,
              HelpRequester* help, QWidget* parent = nullptr);

  QTabWidget* TabbedB;
  QComboBox* FillColorB;
  QCheckBox* FillOnB;
  QRadioButton* HatchNoneB;
  QRadioButton* HatchSingleB;
  QRadioButton* HatchCrossB;
  TRealSpin* HatchLineWidthB;
  TRealSpin* HatchDistB;
  TRealSpin* HatchAngle1B;
  TRealSpin* HatchAngle2B;
  QComboBox* HatchColorB;
  QRadioButton* StructNoneB;
  QRadioButton* RectB;
  QRadioButton* OffsetB;
  TRealSpin* StructWidthB;
  TRealSpin* StructHeightB;
  TRealSpin* StructAngleB;
  QPushButton* EditBtn;

  const ElementList& Structure() const { return structure_; }

 protected:
  SymbolRecord Build(const SymbolRecord& common) override;

 private:
  AreaSymbol fields_;
  ElementList structure_;
};

// The font fields shared by the text and the line text editor.
struct FontFields {
  QComboBox* FontNameB = nullptr;
  TRealSpin* FontSizeB = nullptr;
  TRealSpin* CharHeightB = nullptr;
  QCheckBox* BoldB = nullptr;
  QCheckBox* ItalicB = nullptr;
  QComboBox* FontColorB = nullptr;
  TIntSpin* CharSpaceB = nullptr;
  TIntSpin* WordSpaceB = nullptr;
  QComboBox* AlignmentB = nullptr;
  FontPreview* PreviewB = nullptr;
  QCheckBox* SFOnB = nullptr;
  QComboBox* SFNameB = nullptr;
  QComboBox* SFColorB = nullptr;
  TRealSpin* SFSizeB = nullptr;
  TRealSpin* SFOfxB = nullptr;
  TRealSpin* SFOfyB = nullptr;
  QCheckBox* SFBoldB = nullptr;
  QCheckBox* SFItalicB = nullptr;
  FontPreview* SFPreviewB = nullptr;
};

// The text and the line text editor; `lineText` picks which.
class TTextSymDlgBase : public TSymbolDlg {
  Q_OBJECT

 public:
  TTextSymDlgBase(bool lineText, MapStore& store, const SymbolRecord& rec, int place,
                  MessageSink& sink, HelpRequester* help, QWidget* parent);
  QTabWidget* TabbedB;
  FontFields F;

 protected:
  // "General", the pages `middlePages` adds, then "Second Font".
  void BuildFontPages(const TextSymbolFields& f, const char* sample, const QStringList& alignments,
                      const std::function<void()>& middlePages = {});
  // The shared fields from the dialog.
  void ReadFontFields(TextSymbolFields& f) const;
  void UpdatePreviews();
  virtual void UpdateOwnPreviews() {}
  QComboBox* FontList(QWidget* parent, const char* name, const std::string& current);

  TextSymbolFields fields_;
  bool lineText_;
  bool inStep_ = false;
};

class TTextSymDlg : public TTextSymDlgBase {
  Q_OBJECT

 public:
  TTextSymDlg(MapStore& store, const SymbolRecord& rec, int place, MessageSink& sink,
              HelpRequester* help, QWidget* parent = nullptr);

  TIntSpin* LineSpaceB = nullptr;
  TRealSpin* ParaSpaceB = nullptr;
  TRealSpin* IndentFirstB = nullptr;
  TRealSpin* IndentOtherB = nullptr;
  FontPreview* ParaPreviewB = nullptr;
  TRealSpin* TabPosB;
  QPushButton* TabAddBtn;
  QPushButton* TabDeleteBtn;
  QListWidget* TabListB;
  QCheckBox* LBOnB;
  QComboBox* LBColorB;
  TRealSpin* LBWidthB;
  TRealSpin* LBDistB;

  void TabAddBtnClick();
  void TabDeleteBtnClick();
  // The tab positions in the list, in 0.01 mm.
  std::vector<int32_t> Tabs() const;

 protected:
  SymbolRecord Build(const SymbolRecord& common) override;
  void UpdateOwnPreviews() override;

 private:
  void ShowTabs(std::vector<int32_t> tabs);
  void BuildOwnPages();
  QLabel* TabPosL;
  QLabel* TabPosUnitL;
};

class TLTextSymDlg : public TTextSymDlgBase {
  Q_OBJECT

 public:
  TLTextSymDlg(MapStore& store, const SymbolRecord& rec, int place, MessageSink& sink,
               HelpRequester* help, QWidget* parent = nullptr);

 protected:
  SymbolRecord Build(const SymbolRecord& common) override;
};

class TRectSymDlg : public TSymbolDlg {
  Q_OBJECT

 public:
  TRectSymDlg(MapStore& store, const SymbolRecord& rec, int place, MessageSink& sink,
              HelpRequester* help, QWidget* parent = nullptr);

  QComboBox* LineColorB;
  TRealSpin* LineWidthB;
  TRealSpin* RadiusB;
  QCheckBox* GridOnB;
  TRealSpin* CellWidthB;
  TRealSpin* CellHeightB;
  QCheckBox* NumBottomB;
  TIntSpin* NumberB;
  QLineEdit* TextB;

 protected:
  SymbolRecord Build(const SymbolRecord& common) override;

 private:
  RectangleSymbol fields_;
};

// The editor of a record's type (a line text symbol's for line symbols of subtype 1).
std::unique_ptr<TSymbolDlg> MakeSymbolDialog(MapStore& store, const SymbolRecord& rec, int place,
                                             MessageSink& sink, HelpRequester* help,
                                             QWidget* parent = nullptr);
// The record a new symbol of a type starts from: empty fields, a white icon, no number.
SymbolRecord EmptySymbol(SymbolType type, int subtype);

}  // namespace zelk
