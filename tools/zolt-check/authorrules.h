#pragma once
// Rules an author trips on, each a small function of what the check has
// already read: the letters of a description, the mode of an installer, the
// cells of the archive, the names at the root. Each gives the problems it
// finds as a code and an Italian message; the check places them.

#include "disc/discpath.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class TSpreadSheets;

namespace zolt::check {

struct Finding {
  std::string_view code;
  std::string name;  // below the place it was found for; "" for the place itself
  std::string message;
};

// --- Descriptions ---

// The words of an RTF description that hold a letter beyond ASCII, as UTF-8,
// each once, in order of appearance: at most `named` of each kind, but up to
// `tried` escaped ones in a file that also holds raw bytes beyond ASCII,
// where a search may still find some of them.
struct DescriptionLetters {
  // A letter written as an RTF escape (\'f9, \u249): the file does not hold
  // the letter itself, so a search for the word does not find it.
  std::vector<std::string> escaped;
  // Raw bytes that are UTF-8 in a document whose code page is not: each
  // letter shows as two or three odd characters.
  std::vector<std::string> rawUtf8;
  // Whether any byte beyond ASCII is in the file as it is: without one, no
  // word with such a letter can be found by a search.
  bool rawHighBytes = false;
};
DescriptionLetters ScanDescriptionLetters(std::string_view rtf, std::size_t named, std::size_t tried);

// `unsearchable`: words of `escaped` that a search really does not find.
// `letters.rawUtf8`: as found.
std::vector<Finding> DescriptionLetterFindings(const std::vector<std::string>& unsearchable,
                                               const std::vector<std::string>& rawUtf8);

// --- Installers ---

// The program "  Installa  " starts: a script or ELF program the reader may
// not execute, a mode a published disc should not carry.
std::vector<Finding> InstallerModeFindings(const disc::ProgramFile& program);

// --- The archive ---

// Text the search never reads: columns past C of the first sheet.
std::vector<Finding> ArchiveColumnFindings(const TSpreadSheets& sheets);

// --- The root ---

// A name the disc's assembly takes at the root (the program, autorun.sh,
// the runtime folder), in a catalogue that is not an assembled disc.
std::vector<Finding> RootNameFindings(const std::vector<std::string>& rootNames, bool assembled);

}  // namespace zolt::check
