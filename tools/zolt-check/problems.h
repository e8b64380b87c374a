#pragma once
// The problems the disc check reports: each has a stable code, a severity
// and an Italian message for the disc's author.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zolt::check {

enum class Severity { kError, kWarning, kInfo };

// "error", "warning", "info": the words of the JSON output.
const char* SeverityName(Severity severity);

struct CodeInfo {
  std::string_view code;
  Severity severity;
  std::string_view summary;  // one Italian line for --help
};

// Every code the check can report, grouped by severity.
const std::vector<CodeInfo>& Codes();
std::optional<Severity> SeverityOf(std::string_view code);

struct Problem {
  Severity severity = Severity::kInfo;
  std::string code;
  std::string path;     // relative to the disc root, "/" between levels, names as shown; "" = the disc
  std::string message;  // Italian: what the reader sees, what to change
  std::string item;     // the item (or section) the problem belongs to, for grouping
};

}  // namespace zolt::check
