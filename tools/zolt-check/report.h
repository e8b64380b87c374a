#pragma once
// The check's two outputs: a JSON document for programs, and a report for
// people grouped by section and item with a closing count per severity.

#include "tools/zolt-check/checker.h"

#include <ostream>
#include <string>

namespace zolt::check {

// {"disc": ..., "items": ..., "problems": [{"severity", "code", "path", "message"}, ...]}
void WriteJson(std::ostream& out, const std::string& discArgument, const CheckResult& result);
std::string ToJson(const std::string& discArgument, const CheckResult& result);

// The human report; `colour` adds terminal colours to the severities.
void WriteReport(std::ostream& out, const std::string& discArgument, const CheckResult& result, bool colour);

// JSON string literal of UTF-8 text.
std::string JsonString(std::string_view text);

}  // namespace zolt::check
