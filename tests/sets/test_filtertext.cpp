#include "sets/FilterText.h"

#include <gtest/gtest.h>

namespace {

TEST(FilterFromEditorText, LowerCasesSortsAndDropsEmptyLinesKeepingDuplicates) {
    EXPECT_EQ(FilterFromEditorText("Temp\n bak \n\nTemp"), "bak|temp|temp");
    EXPECT_EQ(FilterFromEditorText("Temp\r\n bak \r\n\r\nTemp\r\n"), "bak|temp|temp");
}

TEST(FilterFromEditorText, BarSeparatesWordsLikeALineBreak) {
    EXPECT_EQ(FilterFromEditorText("a|b"), "a|b");
    EXPECT_EQ(FilterFromEditorText("b | a\nc"), "a|b|c");
}

TEST(FilterFromEditorText, KeepsInnerSpacesAndFoldsOnlyAToZWhenSorting) {
    EXPECT_EQ(FilterFromEditorText(QString::fromUtf8("Übung\nmein ordner/\n_x\nZ")),
              QString::fromUtf8("_x|mein ordner/|z|übung"));
}

TEST(FilterFromEditorText, EmptyEditorGivesEmptyFilter) {
    EXPECT_EQ(FilterFromEditorText(""), "");
    EXPECT_EQ(FilterFromEditorText("\n  \n|"), "");
}

TEST(EditorTextFromFilter, OneWordPerLine) {
    EXPECT_EQ(EditorTextFromFilter("bak|temp"), "bak\ntemp");
    EXPECT_EQ(FilterFromEditorText(EditorTextFromFilter("a b|c/")), "a b|c/");
}

TEST(SplitFilterWords, EmptyFilterIsOneEmptyWord) {
    EXPECT_EQ(SplitFilterWords(""), QStringList({""}));
    EXPECT_EQ(SplitFilterWords(" a |b"), QStringList({"a", "b"}));
}

TEST(JoinFilterWords, SkipsEmptyWords) {
    QStringList words{"b", "", "a", "a"};
    SortFilterWords(words);
    EXPECT_EQ(JoinFilterWords(words), "a|a|b");
}

TEST(SetOptionWord, AddsOnceAndRemovesEveryOccurrence) {
    QString options;
    SetOptionWord(options, "IgnoreDate", true);
    SetOptionWord(options, "IgnoreDate", true);
    EXPECT_EQ(options, "IgnoreDate");
    options = "ScannRichtung>IgnoreDateScannRichtung>";
    SetOptionWord(options, "ScannRichtung>", false);
    EXPECT_EQ(options, "IgnoreDate");
}

TEST(DirectionItemFor, PrefersToTargetWhenBothWordsArePresent) {
    EXPECT_EQ(DirectionItemFor(""), 0);
    EXPECT_EQ(DirectionItemFor("IgnoreDate"), 0);
    EXPECT_EQ(DirectionItemFor("ScannRichtung>"), 1);
    EXPECT_EQ(DirectionItemFor("ScannRichtung<"), 2);
    EXPECT_EQ(DirectionItemFor("ScannRichtung<ScannRichtung>"), 1);
    EXPECT_EQ(DirectionItemFor("scannrichtung>"), 0);
}

TEST(OptionsAfterFilterWindow, KeepsWordOrderAndOneDirectionAtMost) {
    QString options = "IgnoreDate";
    options = OptionsAfterFilterWindow(options, 1, true);
    EXPECT_EQ(options, "IgnoreDateScannRichtung>");
    options = OptionsAfterFilterWindow(options, 2, true);
    EXPECT_EQ(options, "IgnoreDateScannRichtung<");
    options = OptionsAfterFilterWindow(options, 0, true);
    EXPECT_EQ(options, "IgnoreDate");
    options = OptionsAfterFilterWindow("ScannRichtung<ScannRichtung>", 1, false);
    EXPECT_EQ(options, "ScannRichtung>");
    options = OptionsAfterFilterWindow("", 2, true);
    EXPECT_EQ(options, "ScannRichtung<IgnoreDate");
}

} // namespace
