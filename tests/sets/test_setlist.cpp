#include "sets/SetList.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

SetList listOf(std::initializer_list<const char*> names) {
    SetList list;
    for (const char* n : names)
        list.sets.push_back(SyncSet{QString::fromUtf8(n), {}, {}, {}, {}});
    list.current = list.sets.empty() ? -1 : 0;
    return list;
}

QStringList namesOf(const SetList& list) {
    QStringList names;
    for (const SyncSet& s : list.sets)
        names << s.Name;
    return names;
}

TEST(FindSet, IgnoresCaseOfAllLettersAndMakesTheSetCurrent) {
    SetList list = listOf({"Alpha", "Übung", "Beta"});
    EXPECT_EQ(FindSet(list, "bETA"), 2);
    EXPECT_EQ(list.current, 2);
    EXPECT_EQ(FindSet(list, QString::fromUtf8("üBUNG")), 1);
    EXPECT_EQ(list.current, 1);
}

TEST(FindSet, MissingNameLeavesTheLastSetCurrent) {
    SetList list = listOf({"Alpha", "Beta", "Gamma"});
    EXPECT_EQ(FindSet(list, "Delta"), -1);
    EXPECT_EQ(list.current, 2);
    SetList empty;
    EXPECT_EQ(FindSet(empty, "x"), -1);
    EXPECT_EQ(empty.current, -1);
    EXPECT_EQ(empty.currentSet(), nullptr);
}

TEST(SortSets, FoldsOnlyAToZAndKeepsOrderOfEqualNames) {
    SetList list = listOf({"beta", "Zeta", "Äther", "alpha", "Beta", "_x", "Alpha2"});
    list.current = 4; // "Beta"
    SortSets(list);
    EXPECT_EQ(namesOf(list), QStringList({"_x", "alpha", "Alpha2", "beta", "Beta", "Zeta", "Äther"}));
    EXPECT_EQ(list.sets[size_t(list.current)].Name, "Beta");
}

TEST(LessFoldingAZ, PrefixComesFirst) {
    EXPECT_TRUE(LessFoldingAZ("abc", "ABCD"));
    EXPECT_FALSE(LessFoldingAZ("ABCD", "abc"));
    EXPECT_FALSE(LessFoldingAZ("abc", "ABC"));
    EXPECT_FALSE(LessFoldingAZ("ABC", "abc"));
    // "[" lies between "Z" and "a" by code: folded, "Z" sorts after it.
    EXPECT_TRUE(LessFoldingAZ("[", "Z"));
    EXPECT_FALSE(LessFoldingAZ("Z", "["));
}

TEST(AddSet, InsertsAfterTheCurrentSetOrAtTheFront) {
    SetList list = listOf({"A", "B", "C"});
    list.current = 1;
    AddSet(list, SyncSet{"Neu", {}, {}, {}, {}});
    EXPECT_EQ(namesOf(list), QStringList({"A", "B", "Neu", "C"}));
    EXPECT_EQ(list.current, 2);
    list.current = -1;
    AddSet(list, SyncSet{"Vorn", {}, {}, {}, {}});
    EXPECT_EQ(namesOf(list), QStringList({"Vorn", "A", "B", "Neu", "C"}));
    EXPECT_EQ(list.current, 0);
    SetList empty;
    AddSet(empty, SyncSet{"Erstes", {}, {}, {}, {}});
    EXPECT_EQ(namesOf(empty), QStringList({"Erstes"}));
    EXPECT_EQ(empty.current, 0);
}

TEST(RemoveSet, ThePreviousSetBecomesCurrent) {
    SetList list = listOf({"A", "B", "C"});
    RemoveSet(list, 2);
    EXPECT_EQ(namesOf(list), QStringList({"A", "B"}));
    EXPECT_EQ(list.current, 1);
    RemoveSet(list, 0);
    EXPECT_EQ(list.current, 0);
    RemoveSet(list, 0);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.current, -1);
}

TEST(NameProblem, RefusesNamesThatDoNotReadBack) {
    for (const char* bad : {"a=b", "a]b", ";x", "[x", "a\nb", "a\rb", " x", "x "})
        EXPECT_TRUE(
            NameProblem(QString::fromUtf8(bad)).startsWith("Dieser Name kann nicht gespeichert werden: "))
            << bad;
    for (const char* good : {"Arbeit", "Stick 1", "x;y", "x[y", "Übung (alt)", "a|b"})
        EXPECT_TRUE(NameProblem(QString::fromUtf8(good)).isEmpty()) << good;
}

} // namespace
