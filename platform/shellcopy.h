#pragma once
// The file copying behind the shell's folder copy and the item's single-file
// copy. No windows: the desktop shell wraps CopyTree in a progress dialog,
// tests call it directly.
//
// Every file is written to a temporary name beside its destination and renamed
// over it only once it is complete, so a copy that fails or is cancelled half
// way never leaves a truncated file where an older one stood.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/shell.h"

namespace zolt::platform {

// Called while a copy runs: files and bytes done so far, the name (relative to
// the source) being copied. Returning false cancels the copy.
using CopyProgress =
    std::function<bool(std::uint64_t files, std::uint64_t bytes, std::string_view current)>;

// What a folder copy will do, found before any byte is written.
struct CopyPlan {
  struct Entry {
    std::string relative;  // path below the source, "/" separated
    bool folder = false;
    std::uint64_t size = 0;
  };
  std::vector<Entry> entries;  // a folder always comes before what it holds
  std::uint64_t files = 0;
  std::uint64_t bytes = 0;
};

// Lists what lies below `source`: hidden files included, names in
// `skipTopLevel` (compared without regard to case) left out at the top level
// only, `exclude` (a folder that must not be copied into itself, usually the
// destination) left out wherever it turns up, links to folders followed once
// (a loop is cut). On a listing failure `outcome` is Failed and names the path.
CopyPlan PlanCopy(const std::string& source, const std::vector<std::string>& skipTopLevel,
                  const std::string& exclude, CopyOutcome& outcome);

// Copies `source` to `destination` (the full file name), replacing an existing
// writable file; a read-only destination file is left alone and the copy
// fails. `progress` may be empty; it is given the bytes of this file only.
// Returns Completed, Cancelled (nothing left behind) or Failed with the reason.
CopyOutcome CopyOneFile(const std::string& source, const std::string& destination,
                        const CopyProgress& progress = {});

// Copies everything `plan` lists from `source` into `destination`, creating
// missing folders. Stops at the first failure or when `progress` says so;
// what was copied before stays.
CopyOutcome CopyTree(const std::string& source, const std::string& destination,
                     const CopyPlan& plan, const CopyProgress& progress = {});

// An Italian sentence for a copy that did not complete, naming the file, for
// the message box: "Copia non riuscita: ..." or "Copia annullata: ...".
QString DescribeCopyFailure(const CopyOutcome& outcome);

// The Italian reason for a system error number ("spazio su disco esaurito").
QString DescribeSystemError(int code);

}  // namespace zolt::platform
