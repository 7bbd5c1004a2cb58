// Two-thread map drawing: the drawing thread runs the renderer on a recording painter and hands
// the calls over in pieces; the calling thread replays them on the real painter.
#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

#include "render/map_painting.h"
#include "render/paint_recording.h"
#include "render/painter_device.h"

namespace zelk {
namespace {

// About half a millisecond of painting per piece; a few pieces may wait.
constexpr size_t kCallsPerPiece = 512;
constexpr size_t kPiecesAhead = 16;
// How often the calling thread looks at input and reports progress, as often as the editor
// looks at its input.
constexpr auto kPollPeriod = std::chrono::milliseconds(1);

// One thread for the program's life that works maps out. Fonts it reads are opened for it once.
class DrawingThread {
 public:
  static DrawingThread& Instance() {
    static DrawingThread* thread = [] {
      auto* t = new DrawingThread;
      // Stopped while the application still exists: its fonts and caches outlive the thread.
      qAddPostRoutine([] { Instance().Stop(); });
      return t;
    }();
    return *thread;
  }

  // Starts `job` on the thread; false when it is busy (a drawing started from within another)
  // or stopped.
  bool TryRun(std::function<void()> job) {
    std::lock_guard lock(mutex_);
    if (busy_ || stopped_) return false;
    if (!thread_.joinable()) thread_ = std::thread([this] { Loop(); });
    busy_ = true;
    job_ = std::move(job);
    wake_.notify_all();
    return true;
  }

  // Waits for the job started last.
  void Wait() {
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return !busy_; });
  }

 private:
  void Stop() {
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return !busy_; });
      stopped_ = true;
      wake_.notify_all();
    }
    if (thread_.joinable()) thread_.join();
  }

  void Loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return stopped_ || job_; });
      if (stopped_) return;
      std::function<void()> job = std::move(job_);
      job_ = nullptr;
      lock.unlock();
      job();
      job = nullptr;
      lock.lock();
      busy_ = false;
      wake_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::thread thread_;
  std::function<void()> job_;
  bool busy_ = false;
  bool stopped_ = false;
};

void SetUpDevice(PainterDevice& device, const MapPainting& how) {
  device.SetAntialiasing(how.antialiased);
  device.SetFontService(how.fonts);
}

MapDrawingResult PaintOnOneThread(MapStore& store, QPainter& painter, const MapPainting& how,
                                  const Box& region, RenderScratch& scratch,
                                  const MapDrawingOptions& options) {
  PainterDevice device(painter, how.state);
  SetUpDevice(device, how);
  RenderContext ctx{device, *how.fonts, scratch};
  ctx.symbolEditing = how.symbolEditing;
  ctx.inputWaiting = how.inputWaiting;
  const MapDrawingResult result = DrawMapRegion(store, ctx, region, options);
  device.FlushLines();
  return result;
}

// What the two threads share. The drawing thread holds the map while it works and lets go of it
// only between objects (where the one-thread drawing looks at input); the calling thread asks
// for it before anything that may dispatch events, so nothing reads the map beside them.
struct Handover {
  std::mutex mutex;
  std::condition_variable changed;
  struct Piece {
    PainterRecording calls;
    int64_t objectsDrawn = 0;
  };
  std::deque<Piece> ready;
  std::vector<PainterRecording> spare;
  bool mapWanted = false;  // the calling thread waits for the map
  bool mapFree = false;    // the drawing thread waits between objects
  bool done = false;
  // Looked at by the drawing thread after every object and structure cell: on a cache line of
  // their own, away from what the painting thread writes with every piece.
  alignas(64) std::atomic<bool> wanted{false};
  std::atomic<bool> aborted{false};
  alignas(64) int64_t objectsDrawn = 0;  // on the drawing thread
  MapDrawingResult result;
  std::exception_ptr failure;

  // The drawing thread, between objects.
  bool AtObjectBoundary() {
    if (wanted.load(std::memory_order_acquire)) {
      std::unique_lock lock(mutex);
      mapFree = true;
      changed.notify_all();
      changed.wait(lock, [this] { return !mapWanted; });
      mapFree = false;
    }
    return aborted.load(std::memory_order_acquire);
  }

  // The drawing thread, after a piece is full (or the drawing ended): the piece goes over and
  // a painted one, emptied, takes its place. Waits while enough are ready, unless the map is
  // wanted.
  void HandOver(PainterRecording& calls) {
    {
      std::unique_lock lock(mutex);
      changed.wait(lock, [this] {
        return ready.size() < kPiecesAhead || mapWanted || aborted.load(std::memory_order_relaxed);
      });
      Piece piece;
      piece.calls.Swap(calls);
      piece.objectsDrawn = objectsDrawn;
      ready.push_back(std::move(piece));
      if (!spare.empty()) {
        calls.Swap(spare.back());
        spare.pop_back();
      }
      changed.notify_all();
    }
    // Emptied here when the painting thread had more waiting than time for it.
    calls.Clear();
  }

  // The calling thread: runs `work` while the drawing thread waits between objects.
  template <typename Work>
  void WithMap(Work&& work) {
    {
      std::unique_lock lock(mutex);
      mapWanted = true;
      wanted.store(true, std::memory_order_release);
      changed.notify_all();
      changed.wait(lock, [this] { return mapFree || done; });
    }
    work();
    {
      std::lock_guard lock(mutex);
      mapWanted = false;
      wanted.store(false, std::memory_order_release);
    }
    changed.notify_all();
  }
};

}  // namespace

MapDrawingResult PaintMapRegion(MapStore& store, QPainter& painter, const MapPainting& how,
                                const Box& region, RenderScratch& scratch,
                                const MapDrawingOptions& options) {
  const QPaintDevice* target = painter.device();
  if (how.oneThread || QThread::idealThreadCount() < 2 || !target || !painter.isActive()) {
    return PaintOnOneThread(store, painter, how, region, scratch, options);
  }
  Handover h;
  // The recording painter starts in the state the real one is in, so that the calls it hands
  // over are the ones the real painter would get.
  const QSize size(target->width(), target->height());
  const int dpmX = std::max(1, qRound(target->logicalDpiX() / 0.0254));
  const int dpmY = std::max(1, qRound(target->logicalDpiY() / 0.0254));
  const bool raster =
      painter.paintEngine() && painter.paintEngine()->type() == QPaintEngine::Raster;
  const bool hasClip = painter.hasClipping();
  // A clip of whole pixels is a region, as the painter keeps it; any other a path.
  const QRectF clipBounds = hasClip ? painter.clipBoundingRect() : QRectF();
  const QRegion clipRegion = hasClip ? painter.clipRegion() : QRegion();
  const bool regionClip =
      hasClip && clipRegion.rectCount() == 1 && QRectF(clipRegion.boundingRect()) == clipBounds;
  const QPainterPath clip = hasClip && !regionClip ? painter.clipPath() : QPainterPath();
  const QTransform transform = painter.worldTransform();
  const QPainter::CompositionMode composition = painter.compositionMode();
  const qreal opacity = painter.opacity();
  const QPen pen = painter.pen();
  const QBrush brush = painter.brush();
  const QPoint brushOrigin = painter.brushOrigin();
  const QPainter::RenderHints hints = painter.renderHints();

  MapDrawingOptions drawing = options;
  drawing.objectDrawn = [&h](int64_t n) { h.objectsDrawn = n; };
  auto job = [&] {
    try {
      PainterRecording calls;
      PaintRecordingDevice device(size, dpmX, dpmY, &calls);
      device.HandOffEvery(kCallsPerPiece, [&h](PainterRecording& full) { h.HandOver(full); });
      {
        QPainter recorder(&device);
        recorder.setRenderHints(hints);
        recorder.setTransform(transform);
        if (regionClip) {
          recorder.setClipRegion(clipRegion);
        } else if (hasClip) {
          recorder.setClipPath(clip);
        }
        recorder.setCompositionMode(composition);
        recorder.setOpacity(opacity);
        recorder.setPen(pen);
        recorder.setBrush(brush);
        recorder.setBrushOrigin(brushOrigin);
        PainterDevice out(recorder, how.state);
        out.DrawsFor(target, raster);
        SetUpDevice(out, how);
        RenderContext ctx{out, *how.fonts, scratch};
        ctx.symbolEditing = how.symbolEditing;
        ctx.inputWaiting = [&h] { return h.AtObjectBoundary(); };
        h.result = DrawMapRegion(store, ctx, region, drawing);
        out.FlushLines();
      }
      if (calls.CallCount() > 0) h.HandOver(calls);
    } catch (...) {
      h.failure = std::current_exception();
    }
    std::lock_guard lock(h.mutex);
    h.done = true;
    h.changed.notify_all();
  };
  if (!DrawingThread::Instance().TryRun(job)) {
    return PaintOnOneThread(store, painter, how, region, scratch, options);
  }

  int64_t painted = 0, reported = 0;
  std::exception_ptr paintFailure;
  auto lastPoll = std::chrono::steady_clock::now();
  auto poll = [&] {
    lastPoll = std::chrono::steady_clock::now();
    if (!how.inputWaiting && !options.objectDrawn) return;
    h.WithMap([&] {
      if (options.objectDrawn && painted != reported) {
        reported = painted;
        options.objectDrawn(painted);
      }
      if (how.inputWaiting && how.inputWaiting()) h.aborted.store(true, std::memory_order_release);
    });
    if (h.aborted.load()) h.changed.notify_all();
  };
  // As the one-thread drawing does, input waiting at the start stops it before anything is drawn.
  poll();
  for (;;) {
    Handover::Piece piece;
    bool have = false, finished = false;
    {
      std::unique_lock lock(h.mutex);
      h.changed.wait_for(lock, kPollPeriod, [&h] { return !h.ready.empty() || h.done; });
      if (!h.ready.empty()) {
        piece = std::move(h.ready.front());
        h.ready.pop_front();
        have = true;
        h.changed.notify_all();
      } else {
        finished = h.done;
      }
    }
    if (have && !h.aborted.load(std::memory_order_relaxed)) {
      try {
        piece.calls.Replay(painter);
        painted = piece.objectsDrawn;
      } catch (...) {
        // The drawing thread is stopped and waited for before the failure goes on.
        paintFailure = std::current_exception();
        h.aborted.store(true);
        h.changed.notify_all();
      }
    }
    if (have) {
      // Whichever thread has time empties the piece: this one when nothing else waits.
      std::unique_lock lock(h.mutex);
      if (h.ready.empty()) {
        lock.unlock();
        piece.calls.Clear();
        lock.lock();
      }
      if (h.spare.size() < kPiecesAhead) h.spare.push_back(std::move(piece.calls));
    }
    if (finished) break;
    if (!h.aborted.load(std::memory_order_relaxed) &&
        std::chrono::steady_clock::now() - lastPoll >= kPollPeriod) {
      poll();
    }
  }
  DrawingThread::Instance().Wait();
  if (paintFailure) std::rethrow_exception(paintFailure);
  if (h.failure) std::rethrow_exception(h.failure);
  MapDrawingResult result = h.result;
  if (h.aborted.load()) {
    result.completed = false;
    result.objectsDrawn = painted;
  }
  if (options.objectDrawn && result.objectsDrawn != reported)
    options.objectDrawn(result.objectsDrawn);
  return result;
}

}  // namespace zelk
