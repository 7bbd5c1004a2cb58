// The help contexts of the program: the number of each help topic, by name.
#pragma once

namespace zelk::help {

// The help window's own pages.
constexpr int kContents = 0;  // the index of topics; also where the search starts
constexpr int kProcedures = 2;
constexpr int kMenu = 3;
constexpr int kToolbar = 4;

// Messages and questions of the document's life.
constexpr int kFileNotFound = 26;
constexpr int kFormatNotCorrect = 27;
constexpr int kConvertZelk3 = 29;
constexpr int kConvertZelk4 = 30;
constexpr int kConvertZelk5 = 31;
constexpr int kNoSymbolFile = 34;
constexpr int kAbortedSession = 53;

// The main window and its tools.
constexpr int kPoints = 100;  // placing points; also the work window's default
constexpr int kMainWindow = 101;
constexpr int kPrintWindow = 160;
constexpr int kTexts = 161;  // the text tool and typing
constexpr int kRectangles = 162;
constexpr int kSymbolDelete = 166;
constexpr int kEditObject = 224;
constexpr int kEditPoint = 225;
constexpr int kCurves = 226;

// Dialogs.
constexpr int kPrintOptions = 12;
constexpr int kEpsProperties = 13;
constexpr int kCmykSeparations = 14;
constexpr int kExportBmp = 25;
constexpr int kImportMap = 40;
constexpr int kImportDxf = 41;
constexpr int kExportDxf = 46;
constexpr int kNewMap = 112;
constexpr int kOpen = 113;
constexpr int kFileInformation = 114;
constexpr int kSaveAs = 115;
constexpr int kSaveQuestion = 146;
constexpr int kColors = 169;
constexpr int kDefineColor = 170;
constexpr int kColorSeparation = 171;
constexpr int kLoadSymbols = 172;
// The symbol editors.
constexpr int kNewSymbol = 173;
constexpr int kPointSymbol = 174;
constexpr int kLineSymbol = 175;
constexpr int kAreaSymbol = 176;
constexpr int kTextSymbol = 177;
constexpr int kLineTextSymbol = 178;
constexpr int kRectangleSymbol = 179;
constexpr int kEditIcon = 180;
constexpr int kSymbolEditor = 181;
constexpr int kFontsNotFound = 183;
constexpr int kPreferences = 188;
constexpr int kScales = 189;
constexpr int kNumberFields = 190;

}  // namespace zelk::help
