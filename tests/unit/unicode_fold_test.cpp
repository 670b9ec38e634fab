#include "base/unicode_fold.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dirhop {
namespace {

// The symbols of `text` folded with `diacritics`, copied out of the folder.
std::u32string Folded(std::string_view text, Diacritics diacritics = Diacritics::kKeep) {
  TextFolder folder;
  return std::u32string(folder.Fold(text, diacritics).symbols);
}

TEST(UnicodeFoldTest, TextsEqualIgnoringCaseAndFormFoldAlike) {
  // Each row: two spellings that must fold alike, and a third that must not.
  struct Row {
    const char* a;
    const char* b;
    const char* other;
  };
  const std::vector<Row> rows = {
      {"Öffentlich", "ÖFFENTLICH", "Offentlich"},
      // Composed and decomposed (as macOS stores names): O + U+0308.
      {"Öffentlich",
       "O\xCC\x88"
       "ffentlich",
       "Öffentlichkeit"},
      {"café", "CAFE\xCC\x81", "cafe"},
      {"Документы", "ДОКУМЕНТЫ", "Документ"},
      {"Загрузки", "зАГРУЗКИ", "Загрузка"},
      // Greek, with the final sigma folded as sigma and the accent kept.
      {"ΕΛΛΗΝΙΚΆ", "ελληνικά", "ελληνικα"},
      {"ΟΔΥΣΣΕΎΣ", "οδυσσεύς", "οδυσσευς"},
      // Full folding: sharp s is "ss"; the Kelvin sign is K; the Angstrom sign is Å.
      {"Straße", "STRASSE", "Strase"},
      {"\xE2\x84\xAA"
       "elvin",
       "kelvin", "Celvin"},
      {"\xE2\x84\xAB", "å", "a"},
      // Scripts without case are left as they are; Hangul composes again.
      {"日本語", "日本語", "日本"},
      {"한국어",
       "\xE1\x84\x92\xE1\x85\xA1\xE1\x86\xAB"
       "국어",
       "한국"},
      // Bytes outside valid UTF-8 stand for themselves: Latin-1 bytes do not fold, a WTF-8
      // surrogate is three bytes of its own.
      {"caf\xE9", "CAF\xE9", "caf\xC9"},
      {"\xED\xA0\x80x", "\xED\xA0\x80X", "\xED\xA0\x81x"},
      {"\xFF\xFE", "\xFF\xFE", "\xFE\xFF"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.a) + " / " + row.b + " / " + row.other);
    EXPECT_EQ(Folded(row.a), Folded(row.b));
    EXPECT_NE(Folded(row.a), Folded(row.other));
  }
}

TEST(UnicodeFoldTest, ASymbolIsACharacterOnceComposed) {
  struct Row {
    const char* text;
    std::u32string symbols;
  };
  const std::vector<Row> rows = {
      {"Über", U"über"},
      {"U\xCC\x88"
       "ber",
       U"über"},                  // decomposed: composed again
      {"Ǖ", U"ǖ"},                // two marks, one character
      {"q\xCC\x83", U"q\x0303"},  // no composed form: the mark stays apart
      {"日本語", U"日本語"},      // one symbol a character, not a byte
      {"ß", U"ss"},               // full folding writes two letters
      {"A\xFF"
       "b",
       {U'a', kByteSymbolBase + 0xFF, U'b'}},  // a stray byte is one symbol
      {"\xC3", {kByteSymbolBase + 0xC3}},      // a sequence cut short too
      {"\xE9"
       "\xCC\x81",
       {kByteSymbolBase + 0xE9, 0x301}},  // a mark after a stray byte stays
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Folded(row.text), row.symbols) << row.text;
  }
}

TEST(UnicodeFoldTest, DiacriticsAreFoundAndLeftOutOnlyWhenAsked) {
  struct Row {
    const char* text;
    bool has_diacritics;
    std::u32string stripped;
  };
  const std::vector<Row> rows = {
      {"Öffentlich", true, U"offentlich"},
      {"O\xCC\x88"
       "ffentlich",
       true, U"offentlich"},
      {"café", true, U"cafe"},
      {"Crème Brûlée", true, U"creme brulee"},
      {"ελληνικά", true, U"ελληνικα"},
      {"Йошкар-Ола", true, U"иошкар-ола"},  // the breve of Й is an accent here too
      {"שָׁלוֹם", true, U"שלום"},              // Hebrew points
      {"cafe", false, U"cafe"},
      {"Straße", false, U"strasse"},
      {"Документы", false, U"документы"},
      // Kana voicing marks and Indic vowel signs belong to their letters: never left out.
      {"がっこう", false, U"がっこう"},
      {"हिंदी", false, U"हिंदी"},
      {"caf\xE9", false, {U'c', U'a', U'f', kByteSymbolBase + 0xE9}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    TextFolder folder;
    const FoldedText kept = folder.Fold(row.text, Diacritics::kKeep);
    EXPECT_EQ(kept.has_diacritics, row.has_diacritics);
    const FoldedText stripped = folder.Fold(row.text, Diacritics::kStrip);
    EXPECT_EQ(stripped.has_diacritics, row.has_diacritics);
    EXPECT_EQ(stripped.symbols, row.stripped);
  }
}

TEST(UnicodeFoldTest, OneFolderServesManyTextsOfAnyLength) {
  // The buffers grow for a long text and are reused for the next, shorter one.
  TextFolder folder;
  std::string long_text;
  std::u32string long_folded;
  for (int i = 0; i < 500; ++i) {
    long_text += "Ǖß";
    long_folded += U"ǖss";
  }
  EXPECT_EQ(folder.Fold(long_text, Diacritics::kKeep).symbols, long_folded);
  EXPECT_EQ(folder.Fold("Ä", Diacritics::kKeep).symbols, U"ä");
  EXPECT_EQ(folder.Fold("", Diacritics::kKeep).symbols, U"");
  EXPECT_EQ(folder.Fold("ABC", Diacritics::kStrip).symbols, U"abc");
}

TEST(UnicodeFoldTest, CombiningMarksAreThoseOfCategoryM) {
  EXPECT_TRUE(IsCombiningMark(0x0301));  // combining acute (Mn)
  EXPECT_TRUE(IsCombiningMark(0x093F));  // Devanagari vowel sign i (Mc)
  EXPECT_TRUE(IsCombiningMark(0x20DD));  // combining enclosing circle (Me)
  EXPECT_TRUE(IsCombiningMark(0x3099));  // kana voicing mark
  EXPECT_FALSE(IsCombiningMark(U'a'));
  EXPECT_FALSE(IsCombiningMark(U'é'));
  EXPECT_FALSE(IsCombiningMark(U'日'));
  EXPECT_FALSE(IsCombiningMark(kByteSymbolBase + 0xCC));
}

}  // namespace
}  // namespace dirhop
