// User-visible messages: the ";" composition rule, the sink that shows them, progress.
#pragma once

#include <cstdint>
#include <string>

namespace zelk {

// Interleaves the pieces of `templ` and `arg` (both split at ';') and joins the non-empty
// pieces with single blanks. ";objects updated." with "25" gives "25 objects updated.".
std::string ComposeMessage(const std::string& templ, const std::string& arg = {});

enum class Answer { Yes, No, Cancel };

// Where errors are shown and questions asked: a dialog in the editor, stderr in zelk-cli,
// a script in tests. Messages arrive composed.
class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void Error(const std::string& message, int helpContext = 0) = 0;
  // OK (true) or Cancel (false).
  virtual bool Confirm(const std::string& message, int helpContext = 0) = 0;
  // Yes, No or Cancel.
  virtual Answer Ask(const std::string& message, int helpContext = 0) = 0;
};

// Long operations report their count and poll for abort (Esc).
class Progress {
 public:
  virtual ~Progress() = default;
  // `message` holds a ';' where the count goes; `lead` is shown until the first count.
  virtual void Start(const std::string& message, int32_t total, int32_t step, bool showAbort,
                     const std::string& lead = {}) = 0;
  virtual void Step(int32_t count, int32_t current) = 0;
  virtual void End() = 0;
  virtual bool AbortRequested() { return false; }
};

// Progress that shows nothing.
class NullProgress : public Progress {
 public:
  void Start(const std::string&, int32_t, int32_t, bool, const std::string&) override {}
  void Step(int32_t, int32_t) override {}
  void End() override {}
};

// The throttling rules of the status-line progress display, kept apart from any drawing so
// every front end refreshes text and bar alike.
class ProgressCounter {
 public:
  void Start(const std::string& message, int32_t total, int32_t step, const std::string& lead = {});
  // Returns true when the count text must be refreshed.
  bool CountChanged(int32_t count, int32_t current);
  // Returns true when the bar of `width` pixels must be repainted; `filled` gets its width.
  bool BarChanged(int32_t current, int width, int* filled);
  std::string Text() const;

 private:
  std::string message_;
  std::string lead_;
  int32_t total_ = 0;
  int32_t step_ = 1;
  int32_t shownCount_ = -1;
  int lastFilled_ = -1;
};

}  // namespace zelk
