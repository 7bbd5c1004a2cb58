// What every zelk-cli command shares: messages on stderr with fixed answers to questions, and a
// document on a private working copy, so that the user's preferences and working copy are never
// touched and a map changes only through a completed save.
#pragma once

#include <ostream>
#include <string>

#include "storage/document.h"
#include "storage/messages.h"
#include "storage/preferences.h"

namespace zelk {

// Errors go to stderr as the program words them (line breaks as blanks); confirmations are OK
// and questions get `answer`.
class CliSink : public MessageSink {
 public:
  explicit CliSink(std::ostream& err, Answer answer = Answer::No) : err_(err), answer_(answer) {}
  void Error(const std::string& m, int) override;
  bool Confirm(const std::string&, int) override { return true; }
  Answer Ask(const std::string&, int) override { return answer_; }
  bool failed = false;

 private:
  std::ostream& err_;
  Answer answer_;
};

// Progress that shows nothing.
using QuietProgress = NullProgress;

// A short name of its own in the temporary folder: the map's name may already be as long as a
// file name can be. The document overwrites the empty file made here.
std::string PrivateTempPath();

// True when writing `output` would write `input`: the same file under another spelling, through
// a link, or the very same name.
bool IsSameFile(const std::string& output, const std::string& input);

struct CliDocument {
  CliSink sink;
  Preferences prefs;
  std::string temp;
  Document doc;
  explicit CliDocument(std::ostream& err, Answer answer = Answer::No);
  ~CliDocument();
  CliDocument(const CliDocument&) = delete;
  CliDocument& operator=(const CliDocument&) = delete;
  // Opens the map by name; "Cannot open" when the document said nothing itself.
  bool Open(const std::string& map, std::ostream& err);
  MapStore& Store() { return doc.Store(); }
};

}  // namespace zelk
