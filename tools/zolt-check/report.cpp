#include "tools/zolt-check/report.h"

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <vector>

namespace zolt::check {
namespace {

const char* Word(Severity severity) {
  switch (severity) {
    case Severity::kError:
      return "errore";
    case Severity::kWarning:
      return "avviso";
    case Severity::kInfo:
      return "nota";
  }
  return "";
}

const char* Colour(Severity severity) {
  switch (severity) {
    case Severity::kError:
      return "\033[1;31m";
    case Severity::kWarning:
      return "\033[33m";
    case Severity::kInfo:
      return "\033[36m";
  }
  return "";
}

std::string FirstLevel(const std::string& path) { return path.substr(0, path.find('/')); }

std::string Plural(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (byte < 0x20 || byte == 0x7f) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

void WriteJson(std::ostream& out, const std::string& discArgument, const CheckResult& result) {
  out << "{\"disc\": " << JsonString(discArgument) << ", \"items\": " << result.items << ", \"problems\": [";
  bool first = true;
  for (const Problem& problem : result.problems) {
    out << (first ? "\n  " : ",\n  ") << "{\"severity\": " << JsonString(SeverityName(problem.severity))
        << ", \"code\": " << JsonString(problem.code) << ", \"path\": " << JsonString(problem.path)
        << ", \"message\": " << JsonString(problem.message) << "}";
    first = false;
  }
  out << (first ? "]}\n" : "\n]}\n");
}

std::string ToJson(const std::string& discArgument, const CheckResult& result) {
  std::ostringstream out;
  WriteJson(out, discArgument, result);
  return out.str();
}

void WriteReport(std::ostream& out, const std::string& discArgument, const CheckResult& result, bool colour) {
  const char* bold = colour ? "\033[1m" : "";
  const char* reset = colour ? "\033[0m" : "";
  out << bold << "Disco " << discArgument << reset << ": " << Plural(result.items, "voce", "voci")
      << " nell'elenco\n";
  // Grouped by item, items in path order, each item's problems in path order.
  std::vector<const Problem*> problems;
  problems.reserve(result.problems.size());
  for (const Problem& problem : result.problems) problems.push_back(&problem);
  std::stable_sort(problems.begin(), problems.end(),
                   [](const Problem* a, const Problem* b) { return PathBefore(a->item, b->item); });
  std::string section = "\x01";
  std::string item = "\x01";
  for (const Problem* const each : problems) {
    const Problem& problem = *each;
    const std::string problemSection = FirstLevel(problem.item);
    if (problemSection != section) {
      section = problemSection;
      item = "\x01";
      const std::string heading = section.empty()        ? std::string("Disco")
                                  : section.back() == '_' ? "Sezione " + section.substr(0, section.size() - 1)
                                                          : section;
      out << '\n' << bold << heading << reset << '\n';
    }
    if (problem.item != item) {
      item = problem.item;
      if (item != section) out << "  " << bold << item << reset << '\n';
    }
    out << "    " << (colour ? Colour(problem.severity) : "") << Word(problem.severity) << reset << " ["
        << problem.code << "] " << (problem.path.empty() ? "(disco)" : problem.path) << "\n      "
        << problem.message << '\n';
  }
  out << '\n'
      << Plural(result.Count(Severity::kError), "errore", "errori") << ", "
      << Plural(result.Count(Severity::kWarning), "avviso", "avvisi") << ", "
      << Plural(result.Count(Severity::kInfo), "nota", "note") << '\n';
}

}  // namespace zolt::check
