#include "platform/FileName.h"
#include "scan/CommonStateFile.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

const StateKey Key{"rechner-a", "/home/ich/Arbeit", "/media/stick/Arbeit"};

// Files recorded by two syncs (the second replacing one) and a folder whose sides differ.
CommonState sample() {
    CommonState state;
    state.key = Key;
    const QString raw = DecodeFileName(QByteArray("Ordner \xff/n\xe4me.txt"));
    RecordSynced(state, {{"a.txt", 5, 1500000000}, {"Ordner/b.txt", 3000000000LL, -1}, {raw, 0, 1}},
                 1600000000);
    RecordSynced(state, {{"a.txt", 7, 1500000100}, {"Ordner/a.txt", 1, 1500000200}}, 1600000500);
    state.folders["z/"].add("q", {{1, 2}, {1500000000, 1500003600}, 1600000000});
    return state;
}

QStringList describe(const CommonState& state) {
    QStringList out;
    for (auto it = state.folders.cbegin(); it != state.folders.cend(); ++it)
        for (const StateFolder::File& f : it->files)
            out << QStringLiteral("%1%2 %3 %4 %5 %6 %7")
                       .arg(DecodeFileName(it.key()),
                            DecodeFileName(QByteArray(it->name(f).data(), it->name(f).size())))
                       .arg(f.state.size[0])
                       .arg(f.state.size[1])
                       .arg(f.state.date[0])
                       .arg(f.state.date[1])
                       .arg(f.state.since);
    out.sort();
    return out;
}

} // namespace

TEST(CommonState, KeepsEveryFileByteForByteForItsOwnKeyOnly) {
    const CommonState state = sample();
    const QString raw = "Ordner " + QString(QChar(0xDCFF)) + "/n" + QChar(0xDCE4) + "me.txt";
    EXPECT_EQ(describe(state),
              QStringList({raw + " 0 0 1 1 1600000000", "Ordner/a.txt 1 1 1500000200 1500000200 1600000500",
                           "Ordner/b.txt 3000000000 3000000000 -1 -1 1600000000",
                           "a.txt 7 7 1500000100 1500000100 1600000500",
                           "z/q 1 2 1500000000 1500003600 1600000000"}));
    ASSERT_TRUE(FindInStep(state, raw));
    EXPECT_EQ(FindInStep(state, raw)->date[0], 1);
    EXPECT_EQ(FindInStep(state, "/a.txt")->size[0], 7); // a root kept without its separator
    EXPECT_FALSE(FindInStep(state, "A.txt"));

    const std::optional<CommonState> back = ParseCommonState(SerializeCommonState(state), Key);
    ASSERT_TRUE(back);
    EXPECT_EQ(describe(*back), describe(state));
    StateKey others[3] = {Key, Key, Key};
    others[0].host = "rechner-b";
    others[1].root1 = "/home/du/Arbeit";
    others[2].root2 = "/media/stick";
    for (const StateKey& other : others)
        EXPECT_FALSE(ParseCommonState(SerializeCommonState(state), other));
    EXPECT_NE(CommonStateFileName(Key), CommonStateFileName({"rechner-b", Key.root1, Key.root2}));
}

// Damage gives no state at all, never a different one (a flip in the unused bits that end the
// packed data changes nothing).
TEST(CommonState, AnyDamageMeansNoState) {
    const QByteArray bytes = SerializeCommonState(sample());
    ASSERT_TRUE(ParseCommonState(bytes, Key));
    EXPECT_FALSE(ParseCommonState(bytes + '\0', Key));
    for (qsizetype length = 0; length < bytes.size(); ++length)
        EXPECT_FALSE(ParseCommonState(bytes.left(length), Key)) << "cut at " << length;
    for (qsizetype at = 0; at < bytes.size(); ++at) {
        QByteArray damaged = bytes;
        damaged[at] = char(damaged[at] ^ 0x10);
        const std::optional<CommonState> parsed = ParseCommonState(damaged, Key);
        EXPECT_TRUE(!parsed || describe(*parsed) == describe(sample())) << "byte " << at;
    }
}
