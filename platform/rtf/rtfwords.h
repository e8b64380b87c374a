#pragma once
// The RTF control words our reader knows, and the parsing of field
// instructions.

#include <QString>
#include <string_view>

namespace zolt::rtf {

// The control words the reader acts on, grouped by what they touch.
enum class Word {
  Unknown,
  // the document: code pages, font and colour tables
  Ansi, Mac, Pc, Pca, AnsiCodePage, DefaultFont, FontTable, ColourTable,
  Font, FontCharset, FontCodePage, Red, Green, Blue, Plain,
  // character formatting
  Bold, Italic, Underline, UnderlineNone, Strike, Hidden, FontSize,
  Foreground, Background, Super, Sub, NoSuperSub, Up, Down,
  // paragraphs, breaks and characters
  DefaultTab, Pard, Par, Line, Tab, AlignLeft, AlignCentre, AlignRight, AlignJustify,
  LeftIndent, RightIndent, FirstIndent, SpaceBefore, SpaceAfter, InTable, Cell, Row,
  Unicode, UnicodeSkip, Special,
  // destinations: skipped ones, fields, pictures; binary data
  Skip, Body, Field, FieldInstruction, FieldResult, Picture, Jpeg, Png, GoalWidth, GoalHeight, ScaleX, ScaleY, Binary,
};

enum class WordKind { Document, Character, Paragraph, Destination };

constexpr WordKind KindOf(Word word) {
  if (word < Word::Bold) return WordKind::Document;
  if (word < Word::DefaultTab) return WordKind::Character;
  if (word < Word::Skip) return WordKind::Paragraph;
  return WordKind::Destination;
}

struct WordEntry {
  Word word = Word::Unknown;
  char16_t character = 0;  // for Word::Special
};

// The entry for a control word's name; Word::Unknown for names we ignore.
WordEntry LookUpWord(std::string_view name);

// The address a HYPERLINK field instruction names: its first argument, with
// the \l switch's bookmark as the fragment. Empty for other fields and for
// links to a bookmark alone.
QString HyperlinkAddress(std::string_view instruction);

}  // namespace zolt::rtf
