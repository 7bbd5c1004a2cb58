// Cut, Copy and Paste of objects (Edit menu) and of symbols (Symbol menu) through the system
// clipboard, between maps of this program and of other running copies of it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "editor/command_context.h"
#include "editor/tool_context.h"
#include "editor/undo_ring.h"

namespace zelk {

class Selection;
class TextTyping;

// The system clipboard under our format names; tests use one in memory.
class ClipboardPort {
 public:
  virtual ~ClipboardPort() = default;
  virtual bool Has(const char* format) const = 0;
  virtual std::vector<uint8_t> Get(const char* format) const = 0;
  // False when the clipboard did not take the data.
  virtual bool Put(const char* format, const std::vector<uint8_t>& bytes) = 0;
};

// Plain text on the clipboard (UTF-8), as every program reads and writes it.
inline constexpr const char* kTextClipboardFormat = "text/plain";

// The clipboard of the window system (QClipboard with the formats as MIME types).
std::unique_ptr<ClipboardPort> MakeSystemClipboard();

class ClipboardCommands {
 public:
  // `tools` gives the selection and the view; without it the object commands do nothing.
  ClipboardCommands(CommandContext& c, UndoRing& undo, ToolContext* tools,
                    std::unique_ptr<ClipboardPort> clipboard);
  ~ClipboardCommands();

  void CopySymbols();
  void PasteSymbols();
  void CopyObjects();
  // Copies, then deletes exactly the copied objects in one undo step; nothing is deleted when
  // the copy failed.
  void CutObjects();
  void PasteObjects();

  // While a text is typed: its selection as clipboard text, cut, and clipboard text pasted.
  void CopyText(TextTyping& typing);
  void CutText(TextTyping& typing);
  void PasteText(TextTyping& typing);
  bool CanPasteText() const;

  bool CanPasteSymbols() const;
  bool CanPasteObjects() const;
  // A current object or a multiple selection to copy.
  bool CanCopyObjects() const;

 private:
  // The objects a copy takes: the multiple selection, else the current object.
  std::vector<int32_t> ObjectsToCopy() const;
  // Puts them on the clipboard; false (with the message) when they do not fit.
  bool PutObjects(const std::vector<int32_t>& objects, Box* extent);

  CommandContext& c_;
  UndoRing& undo_;
  std::unique_ptr<Selection> selection_;
  std::unique_ptr<ClipboardPort> clipboard_;
};

}  // namespace zelk
