// Templates: the Options menu's template commands, the template under the map, and the
// adjustment by point pairs (interaction state 15).
#pragma once

#include <QRect>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "editor/command_context.h"
#include "editor/tool.h"
#include "render/template_fit.h"
#include "render/template_image.h"

class QPainter;
class QTimer;

namespace zelk {

class TemplateCommands;

// State 15: pairs of a template point and the same point on the map, then the fit.
class TemplateAdjustTool : public Tool {
 public:
  TemplateAdjustTool(EditorState& state, ToolView& view, TemplateCommands& owner)
      : state_(state), view_(view), owner_(owner) {}

  void Start(ToolPurpose) override;
  void Down(const ToolEvent& e) override;
  void Up(const ToolEvent& e) override;
  void Key(char32_t c) override;
  void Finish() override;

  int Step() const { return step_; }
  int PairCount() const { return count_; }
  const TemplatePair& Pair(int i) const { return pairs_[static_cast<size_t>(i)]; }

 private:
  void ShowPairs();
  void End();

  EditorState& state_;
  ToolView& view_;
  TemplateCommands& owner_;
  std::array<TemplatePair, kTemplateMaxPairs> pairs_{};
  int count_ = 0;
  int step_ = 0;  // 0 waits for a template point, 1 for the map point
  bool fitAtRelease_ = false;
};

class TemplateCommands {
 public:
  TemplateCommands(CommandContext& c, ToolView& view);
  ~TemplateCommands();

  // The menu items.
  void Open();
  void Close();
  void Adjust();
  void ToggleHidden();

  // A map was opened: the template it names comes back. A map was closed: its template goes.
  void MapOpened();
  void MapClosed();

  bool IsOpen() const { return image_ && image_->Loaded(); }
  bool Hidden() const { return hidden_; }
  const std::string& FileName() const { return file_; }
  const TemplatePlacement& Placement() const { return placement_; }
  TemplateImage* Image() { return image_.get(); }
  Tool& AdjustTool() { return tool_; }

  // The template under the map, for the work window's redraw.
  void Draw(QPainter& painter, const QRect& paintRect);

  // Asks for the scanner resolution (dots per inch) of a file that states none; nothing when
  // cancelled. The dialog by default; tests answer themselves.
  std::function<std::optional<int>(int remembered)> askResolution;

  // Loads a template file. With `byUser` a file without resolution asks for it.
  bool Load(const std::string& path, bool byUser);
  // Computes the fit of the pairs and applies it when accepted; false (after the message) when
  // refused.
  bool ApplyFit(std::span<const TemplatePair> pairs);

 private:
  double MapScale() const;
  void KeepSettings();

  CommandContext& c_;
  ToolView& view_;
  TemplateAdjustTool tool_;
  std::unique_ptr<TemplateImage> image_;
  std::string file_;
  TemplatePlacement placement_;
  bool hidden_ = false;
  int scannerResolution_ = 0;  // dots per inch remembered for files without; 0 none yet
  // Makes the halved copies of a new template one per tick once its first picture is shown,
  // so that zooming out later finds them ready.
  std::unique_ptr<QTimer> levelTimer_;
};

}  // namespace zelk
