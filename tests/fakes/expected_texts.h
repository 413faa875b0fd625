// Expected texts kept as data beside the tests that check them. A file holds named sections:
// a line "== name", then the texts, one a line, with a backslash written "\\", a carriage
// return "\r" and a line feed "\n". Lines beginning with "#" before the first section are the
// file's notes.
//
// A normal run only reads. With ORLA_UPDATE_EXPECTED=1 in the environment the file is written
// again from what the cases gave, so that `git diff` shows what changed.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace orla::testing {

class ExpectedTexts {
 public:
  // `file`: a path under tests/.
  explicit ExpectedTexts(const std::string& file);
  // Fails for a section that no case checked; in update mode, writes the file.
  ~ExpectedTexts();
  ExpectedTexts(const ExpectedTexts&) = delete;
  ExpectedTexts& operator=(const ExpectedTexts&) = delete;

  // The texts must be the section's, one for one.
  void Check(const std::string& section, const std::vector<std::string>& texts);

 private:
  struct Section {
    std::string name;
    int line = 0;
    std::vector<std::string> texts;
    bool checked = false;
  };

  std::filesystem::path path_;
  bool update_;
  std::vector<std::string> notes_;
  std::vector<Section> sections_;
  std::vector<Section> seen_;  // in update mode, in the order checked
};

}  // namespace orla::testing
