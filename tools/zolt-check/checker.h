#pragma once
// The disc author's check: walks a disc as the program does and reports
// every problem the program would hide from the reader, through the
// program's own readers (the RTF reader, the JPEG decoder, the GIF decoder,
// the workbook reader) and its own rules (the catalogue, the tabs, the
// search's candidates).

#include "tools/zolt-check/problems.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace zolt::check {

struct CheckOptions {
  // Called now and then with the number of folders looked at so far.
  std::function<void(std::size_t folders)> progress;
  // Pictures are decoded at 1/scale of their size each way (1, 2, 4, 8):
  // every byte of the compressed data is still read.
  int pictureScale = 8;
};

struct CheckResult {
  enum class Status {
    kChecked,     // the disc was read; see problems
    kUnreadable,  // the disc folder cannot be read
    kNotADisc,    // no section folder and no Home folder
  };
  Status status = Status::kChecked;
  std::string failure;     // Italian, for kUnreadable and kNotADisc
  std::size_t items = 0;   // entries and sub-entries the tree shows, over all tabs
  std::vector<Problem> problems;  // in path order

  std::size_t Count(Severity severity) const;
};

// Makes the toolkit's offscreen application when there is none: fonts,
// pictures and text documents need one, a display is never needed.
void EnsureGuiApplication();
// What EnsureGuiApplication sets before it makes the application, for a
// program that makes its own.
void UseOffscreenPlatform();

CheckResult CheckDisc(const std::string& disc, const CheckOptions& options = {});

// `a` comes before `b` in path order: level by level, the disc itself first.
bool PathBefore(const std::string& a, const std::string& b);

}  // namespace zolt::check
