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
    std::string source;  // what is read: the entry itself, or what a link leads to
  };
  std::vector<Entry> entries;  // a folder always comes before what it holds
  std::uint64_t files = 0;
  std::uint64_t bytes = 0;
  std::uint64_t linksOutside = 0;  // links leading out of the source, not followed
  std::uint64_t linksLeftOut = 0;  // links to nothing, to themselves, in a loop, or repeated
};

// Lists what lies below `source`: hidden files included, names in
// `skipTopLevel` (compared without regard to case) left out at the top level
// only, `exclude` (a folder that must not be copied into itself, usually the
// destination) left out wherever it turns up. A link whose target lies
// inside `source` is copied as what it points to (a file, or a folder with
// its content); a link leading outside is not followed and counted in
// `linksOutside`; a link to nothing, to itself, to a folder that holds it,
// or a second link to a folder already followed is left out and counted in
// `linksLeftOut`. Pipes, sockets and devices are not copied. On a listing
// failure `outcome` is Failed and names the path.
CopyPlan PlanCopy(const std::string& source, const std::vector<std::string>& skipTopLevel,
                  const std::string& exclude, CopyOutcome& outcome);

// Copies `source` (opened as a disc file: a regular file really lying in the
// folder `within`, or nothing, never blocking) to `destination` (the full
// file name), replacing an existing writable file or a link of that name
// (the link itself, never what it points to); a read-only destination file
// is left alone and the copy fails. The file is written under a short
// temporary name in the destination folder and renamed over the name only
// when every byte the file held at its open was read: a file that reads
// short fails with EIO. The copy gets 0666, or 0777 when the source has any
// execute bit, less the user's umask. `progress` may be empty; it is given
// the bytes of this file only. Returns Completed, Cancelled (nothing left
// behind) or Failed with the reason (EXDEV: the source lies outside `within`).
CopyOutcome CopyOneFile(const std::string& source, const std::string& within, const std::string& destination,
                        const CopyProgress& progress = {});

// Copies everything `plan` lists from `source` into `destination`, each
// file as CopyOneFile does within `source`. The folder holding
// `destination` is opened once (a link there is followed, as the user chose
// it); below it every folder is opened or made relative to its parent
// without following links: a link where a folder belongs (`destination`
// itself included) is neither followed nor removed, and the copy fails
// there with ELOOP, so nothing is written outside and nothing of the user's
// is deleted. New folders get 0777 less the umask. Stops at the first
// failure or when `progress` says so; what was copied before stays. The
// plan's link counts are passed on in the outcome.
CopyOutcome CopyTree(const std::string& source, const std::string& destination,
                     const CopyPlan& plan, const CopyProgress& progress = {});

// An Italian sentence for a copy that did not complete, naming the file, for
// the message box: "Copia non riuscita: ..." or "Copia annullata: ...".
QString DescribeCopyFailure(const CopyOutcome& outcome);

// The Italian reason for a system error number ("spazio su disco esaurito").
QString DescribeSystemError(int code);

}  // namespace zolt::platform
