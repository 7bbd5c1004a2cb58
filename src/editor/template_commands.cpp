// Templates: opening, closing, hiding, reloading with the map, drawing, and the adjustment.
#include "editor/template_commands.h"

#include <QPainter>
#include <QTimer>
#include <cmath>

#include "dialogs/temp_resol_dlg.h"
#include "storage/messages.h"

namespace zelk {

namespace {

constexpr const char* kOpenTemplateFilter =
    "Open Template;Bitmap files (*.bmp;*.dib)|*.bmp;*.dib|"
    "Other images (*.png;*.jpg;*.jpeg;*.tif;*.tiff)|*.png;*.jpg;*.jpeg;*.tif;*.tiff|"
    "All files (*.*)|*.*";

int32_t PelsPerMeter(int dpi) {
  return static_cast<int32_t>(std::lround(dpi / 0.0254));
}

// A small cross at a point, for the marks of the adjustment.
RubberShape Cross(const Coord& c, int32_t arm) {
  return {RubberShape::Kind::Polyline,
          {{c.x - arm, c.y}, {c.x + arm, c.y}, {c.x, c.y}, {c.x, c.y - arm}, {c.x, c.y + arm}},
          true};
}

}  // namespace

// --- The adjustment ----------------------------------------------------------------------------

void TemplateAdjustTool::Start(ToolPurpose) {
  state_.InteractionState = Interaction::Template;
  count_ = 0;
  step_ = 0;
  fitAtRelease_ = false;
  view_.SetCursorShape("AdjTemplate");
  view_.SetPrompt("Mark point on template");
  view_.SetRubberBand({});
}

void TemplateAdjustTool::Down(const ToolEvent& e) {
  if (fitAtRelease_ || count_ >= kTemplateMaxPairs) return;
  TemplatePair& pair = pairs_[static_cast<size_t>(count_)];
  if (step_ == 0) {
    const TemplatePair t = TemplatePointAt(owner_.Placement(), e.map.x, e.map.y);
    pair.tx = t.tx;
    pair.ty = t.ty;
    step_ = 1;
    view_.SetPrompt("Mark the same point on the map");
    view_.SetCursorShape("AdjScreen");
  } else {
    pair.mx = e.map.x / 256.0;
    pair.my = e.map.y / 256.0;
    ++count_;
    step_ = 0;
    if (count_ == kTemplateMaxPairs) {
      // The last pair: the fit follows at the release of the button.
      view_.SetPrompt("");
      fitAtRelease_ = true;
    } else {
      view_.SetPrompt("Mark point on template or press Enter when finished.");
      view_.SetCursorShape("AdjTemplate");
    }
  }
  ShowPairs();
}

void TemplateAdjustTool::Up(const ToolEvent&) {
  if (!fitAtRelease_) return;
  fitAtRelease_ = false;
  // The pairs are full: the adjustment ends whether the fit is taken or refused.
  owner_.ApplyFit(std::span<const TemplatePair>(pairs_.data(), static_cast<size_t>(count_)));
  End();
}

void TemplateAdjustTool::Key(char32_t c) {
  if (step_ == 0 && (c == U'\r' || c == U'\n') && count_ >= 1)
    owner_.ApplyFit(std::span<const TemplatePair>(pairs_.data(), static_cast<size_t>(count_)));
  End();
}

void TemplateAdjustTool::Finish() {
  if (state_.InteractionState != Interaction::Template) return;
  End();
}

void TemplateAdjustTool::End() {
  count_ = 0;
  step_ = 0;
  fitAtRelease_ = false;
  view_.SetRubberBand({});
  view_.SetPrompt("");
  view_.SetCursorShape("");
  state_.InteractionState = Interaction::Idle;
}

void TemplateAdjustTool::ShowPairs() {
  // Each template point as a cross joined to its map point; the pending one alone.
  const TemplatePlacement& p = owner_.Placement();
  const double c = std::cos(p.angle), s = std::sin(p.angle);
  const int32_t arm = std::max<int32_t>(256, static_cast<int32_t>(6 / view_.View().scaleX));
  std::vector<RubberShape> shapes;
  auto onMap = [&](const TemplatePair& q) {
    return Coord{static_cast<int32_t>(std::lround(p.x + 256 * (c * q.tx - s * q.ty))),
                 static_cast<int32_t>(std::lround(p.y + 256 * (s * q.tx + c * q.ty)))};
  };
  for (int i = 0; i < count_; ++i) {
    const TemplatePair& q = pairs_[static_cast<size_t>(i)];
    const Coord t = onMap(q);
    const Coord m{static_cast<int32_t>(std::lround(q.mx * 256)),
                  static_cast<int32_t>(std::lround(q.my * 256))};
    shapes.push_back(Cross(t, arm));
    shapes.push_back({RubberShape::Kind::Polyline, {t, m}, false});
    shapes.push_back(Cross(m, arm));
  }
  if (step_ == 1) shapes.push_back(Cross(onMap(pairs_[static_cast<size_t>(count_)]), arm));
  view_.SetRubberBand(std::move(shapes));
}

// --- The commands ----------------------------------------------------------------------------

TemplateCommands::TemplateCommands(CommandContext& c, ToolView& view)
    : c_(c), view_(view), tool_(c.state, view, *this), levelTimer_(std::make_unique<QTimer>()) {
  levelTimer_->setInterval(20);
  QObject::connect(levelTimer_.get(), &QTimer::timeout, [this] {
    // About four million pixels a tick: some milliseconds.
    const int rows = image_ ? std::max(1, (1 << 22) / std::max(1, image_->Width() / 2)) : 0;
    if (!image_ || c_.state.Busy || !image_->BuildRows(rows)) levelTimer_->stop();
  });
  askResolution = [this](int remembered) -> std::optional<int> {
    if (!c_.sink) return std::nullopt;
    TTempResolDlg dlg(*c_.sink, c_.help, c_.window.DialogParent());
    dlg.SetResolution(remembered > 0 ? remembered : 300);
    if (dlg.exec() != QDialog::Accepted) return std::nullopt;
    return dlg.Resolution();
  };
}

TemplateCommands::~TemplateCommands() = default;

double TemplateCommands::MapScale() const {
  const double s = c_.doc.IsOpen() ? c_.Store().Setup().MapScale() : 15000;
  return s > 0 && std::isfinite(s) ? s : 15000;
}

bool TemplateCommands::Load(const std::string& path, bool byUser) {
  image_.reset();
  if (!c_.sink) return false;
  WaitCursor wait(c_.window);
  view_.SetPrompt("Loading template...");
  const std::optional<TemplateProbe> probe = TemplateImage::Probe(path, *c_.sink);
  if (!probe) {
    view_.SetPrompt("");
    return false;
  }
  int32_t pelsX = probe->pelsPerMeterX, pelsY = probe->pelsPerMeterY;
  if (pelsX <= 0 || pelsY <= 0) {
    if (byUser || scannerResolution_ <= 0) {
      const std::optional<int> dpi =
          askResolution ? askResolution(scannerResolution_) : std::optional<int>{};
      if (!dpi) {
        view_.SetPrompt("");
        return false;
      }
      scannerResolution_ = *dpi;
    }
    pelsX = pelsY = PelsPerMeter(scannerResolution_);
  }
  auto image = std::make_unique<TemplateImage>();
  const bool ok = image->Load(path, *probe, pelsX, pelsY, *c_.sink);
  view_.SetPrompt("");
  if (!ok) return false;
  image_ = std::move(image);
  levelTimer_->start();
  return true;
}

void TemplateCommands::Open() {
  if (!c_.doc.IsOpen() || !c_.chooser) return;
  const std::optional<std::string> path =
      c_.chooser->ChooseFile(kOpenTemplateFilter, "bmp", file_, 0, false);
  if (!path) return;
  placement_.angle = 0;
  if (!Load(*path, true)) {
    file_.clear();
    KeepSettings();
    c_.window.RedrawAll();
    return;
  }
  file_ = *path;
  const ViewTransform& v = c_.window.View();
  placement_.x = v.centreX;
  placement_.y = v.centreY;
  hidden_ = false;
  KeepSettings();
  c_.window.RedrawAll();
}

void TemplateCommands::Close() {
  image_.reset();
  file_.clear();
  hidden_ = false;
  KeepSettings();
  c_.window.RedrawAll();
}

void TemplateCommands::Adjust() {
  if (!IsOpen()) return;
  // A hidden template is shown again: its points must be seen to be marked.
  if (hidden_) {
    hidden_ = false;
    c_.window.RedrawAll();
  }
  tool_.Start(ToolPurpose::Draw);
}

void TemplateCommands::ToggleHidden() {
  hidden_ = !hidden_;
  c_.window.RedrawAll();
}

void TemplateCommands::MapOpened() {
  image_.reset();
  hidden_ = false;
  if (!c_.doc.IsOpen()) return;
  const SetupBlock& s = c_.Store().Setup();
  scannerResolution_ = s.ScannerResolution();
  placement_.x = s.TemplateX() & kPosMask;
  placement_.y = s.TemplateY() & kPosMask;
  placement_.angle = std::isfinite(s.TemplateAngle()) ? s.TemplateAngle() : 0.0;
  placement_.scaleX = s.DraftScaleX();
  placement_.scaleY = s.DraftScaleY();
  file_ = s.TemplateOpen() == 1 ? s.TemplateFile() : std::string();
  if (file_.empty()) return;
  if (!Load(file_, false)) {
    file_.clear();
    KeepSettings();
  }
  c_.window.RedrawAll();
}

void TemplateCommands::MapClosed() {
  image_.reset();
  file_.clear();
  hidden_ = false;
}

void TemplateCommands::KeepSettings() {
  if (!c_.doc.IsOpen()) return;
  MapStore& store = c_.Store();
  SetupBlock next = store.Setup();
  next.SetTemplateOpen(IsOpen() ? 1 : 0);
  next.SetTemplateFile(IsOpen() ? file_ : std::string());
  next.SetTemplateX(placement_.x);
  next.SetTemplateY(placement_.y);
  next.SetTemplateAngle(placement_.angle);
  next.SetDraftScaleX(placement_.scaleX);
  next.SetDraftScaleY(placement_.scaleY);
  if (scannerResolution_ > 0) next.SetScannerResolution(scannerResolution_);
  if (next.raw == store.Setup().raw) return;
  store.MutableSetup() = next;
  store.WriteSettings();
}

bool TemplateCommands::ApplyFit(std::span<const TemplatePair> pairs) {
  const TemplateFit fit = FitTemplate(pairs, placement_);
  if (fit.outcome != TemplateFitOutcome::Accepted) {
    if (c_.sink)
      c_.sink->Error(TemplateFitMessage(fit.outcome),
                     fit.outcome == TemplateFitOutcome::TooClose ? kTemplateTooCloseHelp : 0);
    return false;
  }
  placement_ = fit.placement;
  KeepSettings();
  c_.window.RedrawAll();
  return true;
}

void TemplateCommands::Draw(QPainter& painter, const QRect& paintRect) {
  if (!IsOpen() || hidden_) return;
  image_->Draw(painter, c_.window.View(), placement_, MapScale(), paintRect, c_.prefs.dimTemplate);
}

}  // namespace zelk
