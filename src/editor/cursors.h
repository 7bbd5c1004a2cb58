// The mouse cursors of the tools, drawn in code, and the toolbar glyphs.
#pragma once

#include <QCursor>
#include <QIcon>
#include <string>

namespace zelk {

// The cursor of a tool by its name ("DrawCurve", "EditPoint", "Zoom", ...); the sizing names
// "SizeAll", "SizeNS", "SizeWE", "SizeNWSE", "SizeNESW" and "Wait" give the system cursors, an
// empty or unknown name the arrow.
QCursor EditorCursor(const std::string& name);
// True for the names drawn by us (tests check that every tool has its own picture).
bool IsDrawnCursor(const std::string& name);

// The glyph of a toolbar button by its component name ("CurveBtn", "GridBtn", ...).
QIcon ToolbarIcon(const std::string& component);

}  // namespace zelk
