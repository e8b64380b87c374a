#include "platform/rtf/rtfwords.h"

#include <unordered_map>
#include <utility>

#include "platform/textcodec.h"

namespace zolt::rtf {
namespace {

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

const std::unordered_map<std::string_view, WordEntry>& WordTable() {
  static const std::unordered_map<std::string_view, WordEntry> table = [] {
    std::unordered_map<std::string_view, WordEntry> t;
    const std::pair<std::string_view, Word> words[] = {
        {"ansi", Word::Ansi}, {"mac", Word::Mac}, {"pc", Word::Pc}, {"pca", Word::Pca},
        {"ansicpg", Word::AnsiCodePage}, {"deff", Word::DefaultFont},
        {"fonttbl", Word::FontTable}, {"colortbl", Word::ColourTable},
        {"f", Word::Font}, {"fcharset", Word::FontCharset}, {"cpg", Word::FontCodePage},
        {"red", Word::Red}, {"green", Word::Green}, {"blue", Word::Blue},
        {"plain", Word::Plain}, {"b", Word::Bold}, {"i", Word::Italic},
        {"ul", Word::Underline}, {"uld", Word::Underline}, {"uldash", Word::Underline},
        {"uldashd", Word::Underline}, {"uldashdd", Word::Underline}, {"uldb", Word::Underline},
        {"ulhwave", Word::Underline}, {"ulldash", Word::Underline}, {"ulth", Word::Underline},
        {"ulthd", Word::Underline}, {"ulthdash", Word::Underline}, {"ulthdashd", Word::Underline},
        {"ulthdashdd", Word::Underline}, {"ulthldash", Word::Underline},
        {"ululdbwave", Word::Underline}, {"ulw", Word::Underline}, {"ulwave", Word::Underline},
        {"ulnone", Word::UnderlineNone}, {"strike", Word::Strike}, {"striked", Word::Strike},
        {"v", Word::Hidden}, {"fs", Word::FontSize}, {"cf", Word::Foreground},
        {"cb", Word::Background}, {"highlight", Word::Background}, {"chcbpat", Word::Background},
        {"super", Word::Super}, {"sub", Word::Sub}, {"nosupersub", Word::NoSuperSub},
        {"up", Word::Up}, {"dn", Word::Down},
        {"deftab", Word::DefaultTab}, {"pard", Word::Pard}, {"par", Word::Par}, {"sect", Word::Par}, {"page", Word::Par},
        {"line", Word::Line}, {"tab", Word::Tab}, {"ql", Word::AlignLeft},
        {"qc", Word::AlignCentre}, {"qr", Word::AlignRight}, {"qj", Word::AlignJustify},
        {"li", Word::LeftIndent}, {"ri", Word::RightIndent}, {"fi", Word::FirstIndent},
        {"sb", Word::SpaceBefore}, {"sa", Word::SpaceAfter},
        {"intbl", Word::InTable}, {"cell", Word::Cell}, {"nestcell", Word::Cell}, {"row", Word::Row},
        {"nestrow", Word::Row}, {"u", Word::Unicode}, {"uc", Word::UnicodeSkip},
        {"field", Word::Field}, {"fldinst", Word::FieldInstruction},
        {"fldrslt", Word::FieldResult}, {"pict", Word::Picture}, {"jpegblip", Word::Jpeg},
        {"pngblip", Word::Png}, {"picwgoal", Word::GoalWidth}, {"pichgoal", Word::GoalHeight},
        {"picscalex", Word::ScaleX}, {"picscaley", Word::ScaleY}, {"bin", Word::Binary},
        // Destinations whose text is shown although writers mark them optional.
        {"shppict", Word::Body}, {"nesttableprops", Word::Body},
    };
    for (const auto& [name, word] : words) t.emplace(name, WordEntry{word});
    // Destinations that hold no body text.
    for (std::string_view name :
         {"stylesheet", "info", "header", "headerl", "headerr", "headerf", "footer", "footerl",
          "footerr", "footerf", "footnote", "annotation", "atnid", "atnauthor", "atndate",
          "nonshppict", "nonesttables", "listtable", "listoverridetable", "revtbl", "rsidtbl",
          "pn", "pntxta", "pntxtb", "pnseclvl", "xe", "tc", "txe", "rxe", "objdata", "objclass",
          "objname", "themedata", "colorschememapping", "latentstyles", "datastore",
          "xmlnstbl", "generator", "filetbl", "bkmkstart", "bkmkend", "template", "docvar",
          "userprops", "pgdsctbl", "protusertbl", "ftnsep", "ftnsepc", "aftnsep", "aftnsepc",
          "ftncn", "aftncn", "picprop", "sp", "sn", "sv", "do", "mmath", "comment", "title",
          "subject", "author", "operator", "keywords", "doccomm", "company", "manager",
          "category", "hlinkbase", "buptim", "creatim", "printim", "revtim", "falt", "panose",
          "fname", "blipuid", "shpinst", "formfield", "datafield", "ffname", "private",
          "listpicture", "wgrffmtfilter", "oldcprops", "oldpprops", "oldsprops", "oldtprops",
          "passwordhash", "atrfstart", "atrfend"}) {
      t.emplace(name, WordEntry{Word::Skip});
    }
    const std::pair<std::string_view, char16_t> specials[] = {
        {"emdash", u'\u2014'}, {"endash", u'\u2013'}, {"emspace", u'\u2003'},
        {"enspace", u'\u2002'}, {"qmspace", u'\u2005'}, {"bullet", u'\u2022'},
        {"lquote", u'\u2018'}, {"rquote", u'\u2019'}, {"ldblquote", u'\u201C'},
        {"rdblquote", u'\u201D'}, {"zwj", 0}, {"zwnj", 0}, {"ltrmark", 0}, {"rtlmark", 0},
    };
    for (const auto& [name, character] : specials) t.emplace(name, WordEntry{Word::Special, character});
    return t;
  }();
  return table;
}

}  // namespace

WordEntry LookUpWord(std::string_view name) {
  const auto& table = WordTable();
  const auto found = table.find(name);
  return found == table.end() ? WordEntry{} : found->second;
}

QString HyperlinkAddress(std::string_view instruction) {
  std::size_t i = instruction.find_first_not_of(" \t\r\n");
  if (i == std::string_view::npos) return {};
  constexpr std::string_view kKeyword = "HYPERLINK";
  if (instruction.size() - i < kKeyword.size()) return {};
  for (std::size_t k = 0; k < kKeyword.size(); ++k) {
    char c = instruction[i + k];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != kKeyword[k]) return {};
  }
  i += kKeyword.size();
  std::string address;
  std::string bookmark;
  bool haveAddress = false;
  char pendingSwitch = 0;
  while (i < instruction.size()) {
    const char c = instruction[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++i;
      continue;
    }
    if (c == '\\' && i + 1 < instruction.size() && IsLetter(instruction[i + 1])) {
      pendingSwitch = instruction[i + 1];
      i += 2;
      continue;
    }
    std::string argument;
    if (c == '"') {
      ++i;
      while (i < instruction.size() && instruction[i] != '"') {
        if (instruction[i] == '\\' && i + 1 < instruction.size() &&
            (instruction[i + 1] == '\\' || instruction[i + 1] == '"')) {
          ++i;
        }
        argument += instruction[i++];
      }
      ++i;
    } else {
      while (i < instruction.size() && instruction[i] != ' ' && instruction[i] != '\t') {
        argument += instruction[i++];
      }
    }
    if (pendingSwitch == 'l' || pendingSwitch == 'L') {
      bookmark = argument;
    } else if (pendingSwitch == 0 && !haveAddress) {
      address = argument;
      haveAddress = true;
    }
    pendingSwitch = 0;
  }
  // A link to a bookmark of the document alone leads nowhere outside it.
  if (address.empty()) return {};
  if (!bookmark.empty()) address += '#' + bookmark;
  return DecodeDiscText(address).trimmed();
}

}  // namespace zolt::rtf
