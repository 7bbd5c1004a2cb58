// The rows of the command table: captions, shortcuts, handlers, help contexts and rules.
#include "editor/command_table.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "editor/clipboard_commands.h"
#include "editor/edit_commands.h"
#include "editor/exchange_commands.h"
#include "editor/file_commands.h"
#include "editor/gps_commands.h"
#include "editor/help_commands.h"
#include "editor/map_commands.h"
#include "editor/object_commands.h"
#include "editor/options_commands.h"
#include "editor/output_commands.h"
#include "editor/symbol_commands.h"
#include "editor/template_commands.h"
#include "editor/tool_choice.h"
#include "editor/view_commands.h"

namespace zelk {

namespace {

using namespace row;

// --- Rules ---------------------------------------------------------------------------------
bool MapOpen(const CommandConditions& c, int) {
  return c.mapOpen;
}
bool MapHasObjects(const CommandConditions& c, int) {
  return c.mapHasObjects;
}
bool SymbolsChosen(const CommandConditions& c, int) {
  return c.mapOpen && c.symbolTargets && !c.symbolEditing;
}
bool SymbolTableOpen(const CommandConditions& c, int) {
  return c.mapOpen && !c.symbolEditing;
}
bool SymbolCurrent(const CommandConditions& c, int) {
  return c.mapOpen && c.currentSymbol && !c.symbolEditing;
}
bool GpsOpen(const CommandConditions& c, int) {
  return c.gpsOpen;
}
bool GpsClosed(const CommandConditions& c, int) {
  return !c.gpsOpen;
}
bool GpsPosition(const CommandConditions& c, int) {
  return c.mapOpen && c.gpsPosition;
}
bool HaveHelp(const CommandConditions& c, int) {
  return c.haveHelp;
}
bool FactorShown(const CommandConditions& c, int i) {
  return c.mapOpen && std::abs(c.zoom - ViewCommands::kFactors[i]) < 1e-9;
}
bool ModeChosen(const CommandConditions& c, int m) {
  return c.toolMode == static_cast<Mode>(m);
}
bool GridShown(const CommandConditions& c, int) {
  return c.screenGrid;
}
bool AutoJoinOn(const CommandConditions& c, int) {
  return c.autoJoin;
}
bool SmoothingIs(const CommandConditions& c, int level) {
  return c.smoothing == level;
}
bool DeletePossible(const CommandConditions& c, int) {
  return c.textEditing || c.canDelete;
}
bool LineSelected(const CommandConditions& c, int) {
  return c.lineSelected;
}
bool MergePossible(const CommandConditions& c, int) {
  return c.canMerge;
}
bool LineTextSelected(const CommandConditions& c, int) {
  return c.lineTextSelected;
}
bool ToCurvePossible(const CommandConditions& c, int) {
  return c.canToCurve;
}
bool SmoothPossible(const CommandConditions& c, int) {
  return c.canSmooth;
}
bool FillPossible(const CommandConditions& c, int) {
  return c.canFill;
}
bool CopyPossible(const CommandConditions& c, int) {
  return c.textEditing ? c.textSelected : c.canCopyObjects;
}
bool PasteObjectsPossible(const CommandConditions& c, int) {
  return c.textEditing ? c.canPasteText : c.canPasteObjects;
}
bool PasteSymbolsPossible(const CommandConditions& c, int) {
  return c.canPasteSymbols;
}
bool SymbolCopyPossible(const CommandConditions& c, int) {
  return c.symbolTargets && !c.symbolEditing;
}
bool TemplateOpen(const CommandConditions& c, int) {
  return c.mapOpen && c.templateOpen;
}
bool TemplateHidden(const CommandConditions& c, int) {
  return c.templateOpen && c.templateHidden;
}
bool UndoPossible(const CommandConditions& c, int) {
  return c.canUndo && !c.symbolEditing;
}
bool RedoPossible(const CommandConditions& c, int) {
  return c.canRedo && !c.symbolEditing;
}

// --- Handlers ------------------------------------------------------------------------------
void FileNew(CommandAreas& a, int) {
  a.file.New();
}
void FileOpen(CommandAreas& a, int) {
  a.file.Open();
}
void FileSave(CommandAreas& a, int) {
  a.file.Save();
}
void FileSaveAs(CommandAreas& a, int) {
  a.file.SaveAs();
}
void FileInfo(CommandAreas& a, int) {
  a.file.Information();
}
void FilePrintWin(CommandAreas& a, int) {
  a.file.PrintWindow();
}
void FileExit(CommandAreas& a, int) {
  a.file.Exit();
}
void FileList(CommandAreas& a, int n) {
  a.file.OpenRecent(n);
}
void EditUndo(CommandAreas& a, int) {
  a.edit.Undo();
}
void EditRedo(CommandAreas& a, int) {
  a.edit.Redo();
}
void DuplicateBtn(CommandAreas& a, int) {
  a.edit.DuplicateObject();
}
void ChangeBtn(CommandAreas& a, int) {
  a.edit.ChangeSymbol();
}
void ViewRedraw(CommandAreas& a, int) {
  a.view.Redraw();
}
void ViewMove(CommandAreas& a, int) {
  a.view.Move();
}
void ViewZoomIn(CommandAreas& a, int) {
  a.view.ZoomIn();
}
void ViewZoomOut(CommandAreas& a, int) {
  a.view.ZoomOut();
}
void ViewEntire(CommandAreas& a, int) {
  a.view.Entire();
}
void ViewFactor(CommandAreas& a, int i) {
  a.view.Factor(ViewCommands::kFactors[i]);
}
void SymbolDelete(CommandAreas& a, int) {
  a.symbol.Delete();
}
void SymbolDuplicate(CommandAreas& a, int) {
  a.symbol.Duplicate();
}
void EditDelete(CommandAreas& a, int) {
  a.objects.Delete();
}
void EditJoin(CommandAreas& a, int) {
  a.objects.Join();
}
void EditMerge(CommandAreas& a, int) {
  a.objects.Merge();
}
void FillBtn(CommandAreas& a, int) {
  a.objects.FillOrMakeBorder();
}
void EditLineText(CommandAreas& a, int) {
  a.objects.EditLineText();
}
void EditToCurve(CommandAreas& a, int) {
  a.objects.ToCurve();
}
void ExtrasToCurveSym(CommandAreas& a, int) {
  a.objects.ToCurveBySymbol(a.symbol.Targets());
}
void EditSmooth(CommandAreas& a, int) {
  a.objects.Smooth();
}
void ReverseBtn(CommandAreas& a, int) {
  a.objects.ReverseLine();
}
void EditCut(CommandAreas& a, int) {
  a.clipboard.CutObjects();
}
void EditCopy(CommandAreas& a, int) {
  a.clipboard.CopyObjects();
}
void EditPaste(CommandAreas& a, int) {
  a.clipboard.PasteObjects();
}
void SymbolCopy(CommandAreas& a, int) {
  a.clipboard.CopySymbols();
}
void SymbolPaste(CommandAreas& a, int) {
  a.clipboard.PasteSymbols();
}
void FileImport(CommandAreas& a, int) {
  a.exchange.Import();
}
void FilePrint(CommandAreas& a, int) {
  a.output.Print();
}
void FileExportBmp(CommandAreas& a, int) {
  a.output.ExportBmp();
}
void FileExportPdf(CommandAreas& a, int) {
  a.output.ExportPdf();
}
void FileExportSvg(CommandAreas& a, int) {
  a.output.ExportSvg();
}
void FileExportDxf(CommandAreas& a, int) {
  a.exchange.ExportDxf();
}
void SymbolLoad(CommandAreas& a, int) {
  a.symbol.Load();
}
void SymbolColors(CommandAreas& a, int) {
  a.symbol.Colors();
}
void SymbolNew(CommandAreas& a, int) {
  a.symbol.New();
}
void SymbolEdit(CommandAreas& a, int) {
  a.symbol.Edit();
}
void SymbolIcon(CommandAreas& a, int) {
  a.symbol.Icon();
}
void SymbolStatus(CommandAreas& a, int status) {
  a.symbol.SetStatus(static_cast<uint8_t>(status));
}
void ExtrasPartialWin(CommandAreas& a, int) {
  a.map.PartialWindow();
}
void OptionsOpenGps(CommandAreas& a, int) {
  a.gps.Open();
}
void OptionsCloseGps(CommandAreas& a, int) {
  a.gps.Close();
}
void OptionsAdjGps(CommandAreas& a, int) {
  a.gps.Adjust();
}
void OptionsGpsPoint(CommandAreas& a, int) {
  a.gps.DrawAtPosition();
}
void ExtrasOptimize(CommandAreas& a, int) {
  a.map.Optimize();
}
void ExtrasMove(CommandAreas& a, int) {
  a.map.MoveMap();
}
void ExtrasChangeScale(CommandAreas& a, int) {
  a.map.ChangeScale();
}
void ExtrasStretch(CommandAreas& a, int) {
  a.map.StretchMap();
}
void ExtrasRotate(CommandAreas& a, int) {
  a.map.RotateMap();
}
void ExtrasChangeSym(CommandAreas& a, int) {
  a.map.ChangeSymbols();
}
void ExtrasExportSym(CommandAreas& a, int) {
  a.map.ExportBySymbol();
}
void ExtrasDeleteSym(CommandAreas& a, int) {
  a.map.DeleteBySymbol();
}
void ExtrasPartial(CommandAreas& a, int) {
  a.map.PartialMap();
}
void ExtrasGridLine(CommandAreas& a, int) {
  a.map.GridLines();
}
void EditMeasure(CommandAreas& a, int) {
  a.map.Measure();
}
void FileBackup(CommandAreas& a, int) {
  a.map.Backup();
}
void FileRestore(CommandAreas& a, int) {
  a.map.Restore();
}
void SymbolEnlarge(CommandAreas& a, int) {
  a.map.EnlargeSymbols();
}
void OptionsPref(CommandAreas& a, int) {
  a.options.Preferences();
}
void OptionsScales(CommandAreas& a, int) {
  a.options.Scales();
}
void OptionsOpenTemp(CommandAreas& a, int) {
  a.templates.Open();
}
void OptionsCloseTemp(CommandAreas& a, int) {
  a.templates.Close();
}
void OptionsAdjTemp(CommandAreas& a, int) {
  a.templates.Adjust();
}
void OptionsHideTemp(CommandAreas& a, int) {
  a.templates.ToggleHidden();
}
void HelpTopic(CommandAreas& a, int context) {
  a.help.Topic(context);
}
void HelpSearch(CommandAreas& a, int) {
  a.help.Search();
}
void HelpMap(CommandAreas& a, int) {
  a.help.MapInfo();
}
void HelpAbout(CommandAreas& a, int) {
  a.help.About();
}
void ModeButton(CommandAreas& a, int m) {
  ChooseMode(a.state, static_cast<Mode>(m));
}
void GridBtn(CommandAreas& a, int) {
  a.options.ToggleGrid();
}
void AutoJoinBtn(CommandAreas& a, int) {
  a.options.ToggleAutoJoin();
}
void SmoothBtn(CommandAreas& a, int level) {
  a.options.SetSmoothing(level);
}

constexpr Steps F = Steps::Full;
constexpr Steps V = Steps::View;
constexpr Steps P = Steps::Plain;

constexpr int M(Mode m) {
  return static_cast<int>(m);
}

const CommandRow kRows[] = {
    // name, place, caption, shortcut, handler, arg, help, enabled, checked, steps, flags
    {"FileNew", "&File", "&New", "Ctrl+N", FileNew, 0, help::kNewMap, nullptr, nullptr, F, 0},
    {"FileOpen", "&File", "&Open...", "Ctrl+O", FileOpen, 0, help::kOpen, nullptr, nullptr, F, 0},
    {"FileSave", "&File", "&Save", "Ctrl+S", FileSave, 0, 0, MapOpen, nullptr, F, 0},
    {"FileSaveAs", "&File", "Save &as...", "", FileSaveAs, 0, help::kSaveAs, MapOpen, nullptr, F,
     0},
    {"FileInfo", "&File", "Information...", "", FileInfo, 0, help::kFileInformation, MapOpen,
     nullptr, F, kSeparatorBefore},
    {"FilePrintWin", "&File", "Print window", "", FilePrintWin, 0, help::kPrintWindow, MapOpen,
     nullptr, F, kSeparatorBefore},
    {"FilePrint", "&File", "&Print...", "Ctrl+P", FilePrint, 0, 0, MapHasObjects, nullptr, F, 0},
    {"FileImport", "&File", "Import...", "", FileImport, 0, 0, MapOpen, nullptr, F,
     kSeparatorBefore},
    {"FileExport", "&File", "&Export", "", nullptr, 0, 0, MapHasObjects, nullptr, F, kSubmenu},
    {"FileExportDxf", "&File/&Export", "DXF...", "", FileExportDxf, 0, help::kExportDxf,
     MapHasObjects, nullptr, F, 0},
    {"FileExportBmp", "&File/&Export", "BMP...", "", FileExportBmp, 0, help::kExportBmp,
     MapHasObjects, nullptr, F, 0},
    {"FileExportPdf", "&File/&Export", "PDF...", "", FileExportPdf, 0, 0, MapHasObjects, nullptr, F,
     0},
    {"FileExportSvg", "&File/&Export", "SVG...", "", FileExportSvg, 0, 0, MapHasObjects, nullptr, F,
     0},
    {"FileBackup", "&File", "&Backup...", "", FileBackup, 0, 0, MapOpen, nullptr, F,
     kSeparatorBefore},
    {"FileRestore", "&File", "&Restore...", "", FileRestore, 0, 0, nullptr, nullptr, F, 0},
    {"FileExit", "&File", "E&xit", "Alt+F4", FileExit, 0, 0, nullptr, nullptr, P, kSeparatorBefore},
    {"FileList1", "&File", "&1", "", FileList, 1, 0, nullptr, nullptr, F, kSeparatorBefore},
    {"FileList2", "&File", "&2", "", FileList, 2, 0, nullptr, nullptr, F, 0},
    {"FileList3", "&File", "&3", "", FileList, 3, 0, nullptr, nullptr, F, 0},
    {"FileList4", "&File", "&4", "", FileList, 4, 0, nullptr, nullptr, F, 0},
    {"FileList5", "&File", "&5", "", FileList, 5, 0, nullptr, nullptr, F, 0},

    {"EditUndo", "&Edit", "&Undo", "Ctrl+Z", EditUndo, 0, 0, UndoPossible, nullptr, F, 0},
    {"EditRedo", "&Edit", "&Redo", "Ctrl+Y", EditRedo, 0, 0, RedoPossible, nullptr, F, 0},
    {"EditCut", "&Edit", "Cu&t", "Ctrl+X", EditCut, 0, 0, CopyPossible, nullptr, F,
     kSeparatorBefore},
    {"EditCopy", "&Edit", "&Copy", "Ctrl+C", EditCopy, 0, 0, CopyPossible, nullptr, F, 0},
    {"EditPaste", "&Edit", "&Paste", "Ctrl+V", EditPaste, 0, 0, PasteObjectsPossible, nullptr, F,
     0},
    {"EditDelete", "&Edit", "&Delete", "", EditDelete, 0, 0, DeletePossible, nullptr, F, 0},
    {"EditJoin", "&Edit", "&Join", "", EditJoin, 0, 0, LineSelected, nullptr, F, kSeparatorBefore},
    {"EditMerge", "&Edit", "&Merge", "", EditMerge, 0, 0, MergePossible, nullptr, F, 0},
    {"EditToCurve", "&Edit", "To curve", "", EditToCurve, 0, 0, ToCurvePossible, nullptr, F, 0},
    {"EditSmooth", "&Edit", "Sm&ooth", "", EditSmooth, 0, 0, SmoothPossible, nullptr, F, 0},
    {"EditMeasure", "&Edit", "Mea&sure...", "", EditMeasure, 0, 0, MapHasObjects, nullptr, F,
     kSeparatorBefore},
    {"EditLineText", "&Edit", "&Line text...", "Ctrl+T", EditLineText, 0, 0, LineTextSelected,
     nullptr, F, 0},

    {"ViewRedraw", "&View", "&Redraw", "F5", ViewRedraw, 0, 0, MapOpen, nullptr, V, 0},
    {"ViewMove", "&View", "&Move", "F6", ViewMove, 0, 0, MapOpen, nullptr, V, 0},
    {"ViewZoomIn", "&View", "Zoom &in", "F7", ViewZoomIn, 0, 0, MapOpen, nullptr, V, 0},
    {"ViewZoomOut", "&View", "Zoom &out", "F8", ViewZoomOut, 0, 0, MapOpen, nullptr, V, 0},
    {"ViewEntire", "&View", "&Entire map", "", ViewEntire, 0, 0, MapHasObjects, nullptr, V, 0},
    {"ViewFactor0", "&View", "&0.25X", "Shift+F5", ViewFactor, 0, 0, MapOpen, FactorShown, V,
     kSeparatorBefore | kCheckable},
    {"ViewFactor1", "&View", "0.&5X", "Shift+F6", ViewFactor, 1, 0, MapOpen, FactorShown, V,
     kCheckable},
    {"ViewFactor2", "&View", "&1X", "Shift+F7", ViewFactor, 2, 0, MapOpen, FactorShown, V,
     kCheckable},
    {"ViewFactor3", "&View", "&2X", "Shift+F8", ViewFactor, 3, 0, MapOpen, FactorShown, V,
     kCheckable},
    {"ViewFactor4", "&View", "&4X", "Shift+F9", ViewFactor, 4, 0, MapOpen, FactorShown, V,
     kCheckable},
    {"ViewFactor5", "&View", "&8X", "Shift+F10", ViewFactor, 5, 0, MapOpen, FactorShown, V,
     kCheckable},
    {"ViewFactor6", "&View", "1&6X", "Shift+F11", ViewFactor, 6, 0, MapOpen, FactorShown, V,
     kCheckable},
    {"ViewFactor7", "&View", "&32X", "Shift+F12", ViewFactor, 7, 0, MapOpen, FactorShown, V,
     kCheckable},

    {"SymbolNew", "&Symbol", "&New...", "", SymbolNew, 0, help::kNewSymbol, SymbolTableOpen,
     nullptr, F, kSymbolPopup},
    {"SymbolEdit", "&Symbol", "&Edit...", "", SymbolEdit, 0, 0, SymbolCurrent, nullptr, F,
     kSymbolPopup},
    {"SymbolIcon", "&Symbol", "&Icon...", "", SymbolIcon, 0, help::kEditIcon, SymbolCurrent,
     nullptr, F, kSymbolPopup},
    {"SymbolEnlarge", "&Symbol", "Enlarge/&Reduce...", "", SymbolEnlarge, 0, 0, SymbolTableOpen,
     nullptr, F, kSymbolPopup},
    {"SymbolCopy", "&Symbol", "&Copy", "", SymbolCopy, 0, 0, SymbolCopyPossible, nullptr, F,
     kSymbolPopup | kSeparatorBefore},
    {"SymbolPaste", "&Symbol", "&Paste", "", SymbolPaste, 0, 0, PasteSymbolsPossible, nullptr, F,
     kSymbolPopup},
    {"SymbolDelete", "&Symbol", "&Delete", "", SymbolDelete, 0, help::kSymbolDelete, SymbolsChosen,
     nullptr, F, kSymbolPopup},
    {"SymbolDuplicate", "&Symbol", "D&uplicate", "", SymbolDuplicate, 0, 0, SymbolsChosen, nullptr,
     F, kSymbolPopup},
    {"SymbolColors", "&Symbol", "C&olors...", "", SymbolColors, 0, help::kColors, SymbolTableOpen,
     nullptr, F, kSymbolPopup | kSeparatorBefore},
    {"SymbolLoad", "&Symbol", "&Load symbols from...", "", SymbolLoad, 0, help::kLoadSymbols,
     MapOpen, nullptr, F, kSymbolPopup},
    {"SymbolNormal", "&Symbol", "Nor&mal", "F2", SymbolStatus, kStatusNormal, 0, SymbolsChosen,
     nullptr, F, kSymbolPopup | kSeparatorBefore},
    {"SymbolProtected", "&Symbol", "Pro&tected", "F3", SymbolStatus, kStatusProtected, 0,
     SymbolsChosen, nullptr, F, kSymbolPopup},
    {"SymbolHidden", "&Symbol", "&Hidden", "F4", SymbolStatus, kStatusHidden, 0, SymbolsChosen,
     nullptr, F, kSymbolPopup},

    {"ExtrasOptimize", "Extras", "Optimize/repair...", "", ExtrasOptimize, 0, 0, MapOpen, nullptr,
     F, 0},
    {"ExtrasMove", "Extras", "Move map..", "", ExtrasMove, 0, 0, MapHasObjects, nullptr, F, 0},
    {"ExtrasChangeScale", "Extras", "Change scale...", "", ExtrasChangeScale, 0, 0, MapOpen,
     nullptr, F, 0},
    {"ExtrasStretch", "Extras", "Stretch map...", "", ExtrasStretch, 0, 0, MapHasObjects, nullptr,
     F, 0},
    {"ExtrasRotate", "Extras", "Rotate map...", "", ExtrasRotate, 0, 0, MapHasObjects, nullptr, F,
     0},
    {"ExtrasChangeSym", "Extras", "Change symbols...", "", ExtrasChangeSym, 0, 0, MapHasObjects,
     nullptr, F, 0},
    {"ExtrasExportSym", "Extras", "Export by symbol...", "", ExtrasExportSym, 0, 0, MapHasObjects,
     nullptr, F, 0},
    {"ExtrasDeleteSym", "Extras", "Delete by symbol", "", ExtrasDeleteSym, 0, 0, MapHasObjects,
     nullptr, F, 0},
    {"ExtrasToCurveSym", "Extras", "&To curve by symbol...", "", ExtrasToCurveSym, 0, 63,
     SymbolsChosen, nullptr, F, 0},
    {"ExtrasPartialWin", "Extras", "Partial map window", "", ExtrasPartialWin, 0, 0, MapHasObjects,
     nullptr, F, kSeparatorBefore},
    {"ExtrasPartial", "Extras", "Partial map...", "", ExtrasPartial, 0, 0, MapHasObjects, nullptr,
     F, 0},
    {"ExtrasGridLine", "Extras", "Grid lines...", "", ExtrasGridLine, 0, 0, MapOpen, nullptr, F, 0},

    {"OptionsPref", "&Options", "&Preferences...", "", OptionsPref, 0, help::kPreferences, nullptr,
     nullptr, F, 0},
    {"OptionsScales", "&Options", "&Scales...", "", OptionsScales, 0, help::kScales, MapOpen,
     nullptr, F, 0},
    {"OptionsOpenTemp", "&Options", "&Open template...", "", OptionsOpenTemp, 0, 0, MapOpen,
     nullptr, F, kSeparatorBefore},
    {"OptionsCloseTemp", "&Options", "&Close template", "", OptionsCloseTemp, 0, 0, TemplateOpen,
     nullptr, F, 0},
    {"OptionsAdjTemp", "&Options", "&Adjust template...", "F9", OptionsAdjTemp, 0, 0, TemplateOpen,
     nullptr, F, 0},
    {"OptionsHideTemp", "&Options", "&Hide template", "F10", OptionsHideTemp, 0, 0, TemplateOpen,
     TemplateHidden, F, kCheckable},
    {"OptionsOpenGps", "&Options", "Open &GPS...", "", OptionsOpenGps, 0, 54, GpsClosed, nullptr, F,
     kSeparatorBefore},
    {"OptionsCloseGps", "&Options", "C&lose GPS", "", OptionsCloseGps, 0, 0, GpsOpen, nullptr, F,
     0},
    {"OptionsAdjGps", "&Options", "Adjust GPS...", "", OptionsAdjGps, 0, 22, MapOpen, nullptr, F,
     0},
    // Drawing in the field: the running drawing tool takes a point at the GPS position.
    {"OptionsGpsPoint", "&Options", "GPS &point", "Ctrl+G", OptionsGpsPoint, 0, 0, GpsPosition,
     nullptr, P, 0},

    {"HelpSearch", "&Help", "&Search...", "", HelpSearch, 0, 0, HaveHelp, nullptr, P, 0},
    {"HelpProcedures", "&Help", "&Procedures...", "", HelpTopic, help::kProcedures,
     help::kProcedures, HaveHelp, nullptr, P, 0},
    {"HelpMenu", "&Help", "&Menu...", "", HelpTopic, help::kMenu, help::kMenu, HaveHelp, nullptr, P,
     0},
    {"HelpToolbar", "&Help", "&Toolbar...", "", HelpTopic, help::kToolbar, help::kToolbar, HaveHelp,
     nullptr, P, 0},
    {"HelpMap", "&Help", "Map &info...", "", HelpMap, 0, 0, MapOpen, nullptr, P, kSeparatorBefore},
    {"HelpAbout", "&Help", "&About ZELK...", "", HelpAbout, 0, 0, nullptr, nullptr, P, 0},

    // The toolbar: group 1 shows the mode; groups 2 to 4 are toggles.
    {"FreehandBtn", "Toolbar", "Freehand mode", "", ModeButton, M(Mode::Freehand), 0, nullptr,
     ModeChosen, F, kModeGroup},
    {"StraightBtn", "Toolbar", "Straight line mode", "", ModeButton, M(Mode::Straight), 0, nullptr,
     ModeChosen, F, kModeGroup},
    {"RectangularBtn", "Toolbar", "Rectangular mode", "", ModeButton, M(Mode::Rectangular), 0,
     nullptr, ModeChosen, F, kModeGroup},
    {"CircleBtn", "Toolbar", "Circle mode", "", ModeButton, M(Mode::Circle), 0, nullptr, ModeChosen,
     F, kModeGroup},
    {"EllipseBtn", "Toolbar", "Ellipse mode", "", ModeButton, M(Mode::Ellipse), 0, nullptr,
     ModeChosen, F, kModeGroup},
    {"CurveBtn", "Toolbar", "Curve mode", "", ModeButton, M(Mode::Curve), help::kCurves, nullptr,
     ModeChosen, F, kModeGroup},
    {"EditPointBtn", "Toolbar", "Edit point", "", ModeButton, M(Mode::EditPoint), help::kEditPoint,
     nullptr, ModeChosen, F, kModeGroup | kSeparatorBefore},
    {"EditObjBtn", "Toolbar", "Edit object", "", ModeButton, M(Mode::EditObject), help::kEditObject,
     nullptr, ModeChosen, F, kModeGroup},
    {"CutBtn", "Toolbar", "Cut", "", ModeButton, M(Mode::Cut), 0, nullptr, ModeChosen, F,
     kModeGroup},
    {"CutHoleBtn", "Toolbar", "Cut hole", "", ModeButton, M(Mode::CutHole), 0, nullptr, ModeChosen,
     F, kModeGroup},
    {"RotateBtn", "Toolbar", "Rotate object", "", ModeButton, M(Mode::Rotate), 0, nullptr,
     ModeChosen, F, kModeGroup},
    {"DirectionBtn", "Toolbar", "Direction of area patterns", "", ModeButton,
     M(Mode::PatternDirection), 0, nullptr, ModeChosen, F, kModeGroup},
    {"NormalPtBtn", "Toolbar", "Insert normal point", "", ModeButton, M(Mode::NormalPoint), 0,
     nullptr, ModeChosen, F, kModeGroup},
    {"CornerPtBtn", "Toolbar", "Insert corner point", "", ModeButton, M(Mode::CornerPoint), 0,
     nullptr, ModeChosen, F, kModeGroup},
    {"RemovePtBtn", "Toolbar", "Remove point", "", ModeButton, M(Mode::RemovePoint), 0, nullptr,
     ModeChosen, F, kModeGroup},
    {"DuplicateBtn", "Toolbar", "Duplicate object", "", DuplicateBtn, 0, 0, MapOpen, nullptr, F,
     kSeparatorBefore},
    {"ChangeBtn", "Toolbar", "Change symbol", "", ChangeBtn, 0, 0, MapOpen, nullptr, F, 0},
    {"FillBtn", "Toolbar", "Fill or make border", "", FillBtn, 0, 0, FillPossible, nullptr, F, 0},
    {"ReverseBtn", "Toolbar", "Reverse line object", "", ReverseBtn, 0, 0, LineSelected, nullptr, F,
     0},
    {"UndoBtn", "Toolbar", "Undo", "", EditUndo, 0, 0, UndoPossible, nullptr, F, 0},
    {"GridBtn", "Toolbar", "Show grid", "", GridBtn, 0, 0, nullptr, GridShown, P,
     kSeparatorBefore | kCheckable},
    {"AutoJoinBtn", "Toolbar", "Automatic joining", "", AutoJoinBtn, 0, 0, nullptr, AutoJoinOn, P,
     kCheckable},
    {"Smooth0Btn", "Toolbar", "Smoothing level 0", "", SmoothBtn, 0, 0, nullptr, SmoothingIs, P,
     kSmoothingGroup | kSeparatorBefore},
    {"Smooth1Btn", "Toolbar", "Smoothing level 1", "", SmoothBtn, 1, 0, nullptr, SmoothingIs, P,
     kSmoothingGroup},
    {"Smooth2Btn", "Toolbar", "Smoothing level 2", "", SmoothBtn, 2, 0, nullptr, SmoothingIs, P,
     kSmoothingGroup},
};

}  // namespace

bool CommandRow::InToolbar() const {
  return std::strcmp(place, "Toolbar") == 0;
}

std::span<const CommandRow> CommandTable() {
  return kRows;
}

const CommandRow* FindCommand(const char* name) {
  for (const CommandRow& r : kRows)
    if (std::strcmp(r.name, name) == 0) return &r;
  return nullptr;
}

const char* ModeButtonName(Mode m) {
  for (const CommandRow& r : kRows)
    if ((r.flags & kModeGroup) && r.arg == static_cast<int>(m)) return r.name;
  return nullptr;
}

}  // namespace zelk
