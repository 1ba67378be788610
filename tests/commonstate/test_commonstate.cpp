#include "commonstate/CommonStateFile.h"
#include "commonstate/FindMoves.h"
#include "commonstate/MarkRows.h"
#include "platform/FileName.h"
#include "scan/PathOrder.h"
#include "scan/SideWalk.h"
#include "support/QtPrint.h"
#include "support/TreeBuilder.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStringList>
#include <algorithm>
#include <array>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <tuple>
#include <zlib.h>

namespace {

const StateKey Key{"rechner-a", "/home/ich/Arbeit", "/media/stick/Arbeit"};

// Files recorded by two syncs (the second replacing one, a third deleting one and a folder), a
// folder whose sides differ, a file only seen on both sides and a recorded folder without files.
CommonState sample() {
    CommonState state;
    state.key = Key;
    const QString raw = DecodeFileName(QByteArray("Ordner \xff/n\xe4me.txt"));
    RecordSync(state,
               {{{"a.txt", 5, 1500000000, {7, 0}}, {"Ordner/b.txt", 3000000000LL, -1}, {raw, 0, 1, {0, 9}}},
                {"leer/", "weg/"},
                {}},
               1600000000);
    RecordSync(state,
               {{{"a.txt", 7, 1500000100, {1ULL << 63, 3}}, {"Ordner/a.txt", 1, 1500000200}, {"weg/x", 1, 1}},
                {},
                {}},
               1600000500);
    RecordSync(state, {{}, {}, {"weg/", "Ordner/b.txt"}}, 1600000600);
    state.folders["z/"].add("q", {{1, 2}, {1500000000, 1500003600}, 1600000000});
    state.folders["z/"].add("s", {{1, 2}, {3, 4}, 5, {0, 0}, false});
    return state;
}

QString text(std::string_view bytes) {
    return DecodeFileName(bytes.data(), qsizetype(bytes.size()));
}

QStringList describe(const CommonState& state) {
    QStringList out;
    for (auto it = state.folders.cbegin(); it != state.folders.cend(); ++it) {
        if (it->recorded)
            out << QStringLiteral("%1 seit %2").arg(DecodeFileName(it.key())).arg(it->since);
        for (const StateFolder::File& f : it->files)
            out << QStringLiteral("%1%2 %3 %4 %5 %6 %7 %8 %9%10")
                       .arg(DecodeFileName(it.key()), text(it->name(f)))
                       .arg(f.state.size[0])
                       .arg(f.state.size[1])
                       .arg(f.state.date[0])
                       .arg(f.state.date[1])
                       .arg(f.state.since)
                       .arg(f.state.inode[0])
                       .arg(f.state.inode[1])
                       .arg(f.state.inStep ? "" : " gesehen");
    }
    out.sort();
    return out;
}

// Whether two states hold the same files in the same order, compared directly (as describing
// them would take long for large ones).
bool same(const CommonState& a, const CommonState& b) {
    const auto fields = [](const StateFolder::File& f) {
        return std::tuple(f.nameOffset, f.nameLength, f.state.size[0], f.state.size[1], f.state.date[0],
                          f.state.date[1], f.state.since, f.state.inode[0], f.state.inode[1], f.state.inStep);
    };
    return a.folders.size() == b.folders.size() &&
           std::all_of(a.folders.keyValueBegin(), a.folders.keyValueEnd(), [&](const auto& folder) {
               const auto other = b.folders.constFind(folder.first);
               return other != b.folders.cend() && other->names == folder.second.names &&
                      other->recorded == folder.second.recorded && other->since == folder.second.since &&
                      std::equal(other->files.begin(), other->files.end(), folder.second.files.begin(),
                                 folder.second.files.end(),
                                 [&](const auto& x, const auto& y) { return fields(x) == fields(y); });
           });
}

// `folders` folders of `files` files each, as in a photo collection: names like "IMG_01234.jpg"
// and, in every fourth folder, 200-byte names that differ only at their end. `alike` gives all
// files one size and one date.
CommonState honest(int folders, int files, bool alike = false) {
    CommonState state;
    state.key = Key;
    QRandomGenerator random(7);
    const std::string longStem =
        QByteArray("Protokoll der Sitzung des Vorstands ").repeated(6).left(191).toStdString();
    for (int f = 0; f < folders; ++f) {
        StateFolder& folder =
            state.folders["Bilder/" + QByteArray::number(2000 + f / 100) + "/" + QByteArray::number(f) + "/"];
        for (int n = 0; n < files; ++n) {
            const std::string name = (f % 4 ? "IMG_" : longStem) +
                                     QByteArray::number(n).rightJustified(5, '0').toStdString() + ".jpg";
            const int64_t size = alike ? 0 : random.bounded(1 << 26);
            const int32_t date = alike ? 0 : 1500000000 + f * 86400 + n * 7;
            folder.add(name, {{size, n % 50 ? size : size + 1},
                              {date, n % 30 ? date : date + 3600},
                              1600000000 + n % 3,
                              {f % 3 ? uint64_t(1000 + f * files + n) : 0, 0},
                              n % 40 != 0});
        }
    }
    return state;
}

std::string number(uint64_t value) {
    std::string out;
    for (; value >= 0x80; value >>= 7)
        out += char(value | 0x80);
    return out + char(value);
}

std::string withLength(const std::string& bytes) {
    return number(bytes.size()) + bytes;
}

// A state file of `version` as the program writes one, with `payload` packed at `level`; its
// head tells the unpacked length as `told` when given.
QByteArray stateFile(const std::string& payload, int level = Z_BEST_SPEED, std::optional<uint64_t> told = {},
                     char version = 1) {
    QByteArray out = "TDXSTAND";
    out += QByteArray(1, version) + QByteArray(3, '\0');
    for (int i = 0; i < 8; ++i)
        out += char(told.value_or(payload.size()) >> 8 * i);
    uLongf packed = compressBound(uLong(payload.size()));
    out.resize(20 + qsizetype(packed));
    compress2(reinterpret_cast<Bytef*>(out.data() + 20), &packed,
              reinterpret_cast<const Bytef*>(payload.data()), uLong(payload.size()), level);
    out.resize(20 + qsizetype(packed));
    return out;
}

// The unpacked bytes of a state file; none when they do not unpack to the length its head tells.
std::string payloadIn(const QByteArray& file) {
    uLongf length = 0;
    for (int i = 7; i >= 0; --i)
        length = length << 8 | uint8_t(file[12 + i]);
    std::string out(length, '\0');
    const uLongf told = length;
    const int result = uncompress(reinterpret_cast<Bytef*>(out.data()), &length,
                                  reinterpret_cast<const Bytef*>(file.data() + 20), uLong(file.size() - 20));
    return result == Z_OK && length == told ? out : std::string();
}

// The payload of `Key` with these columns: folders, names, sizes, dates and the rest.
std::string payloadOf(const std::array<std::string, 5>& columns) {
    std::string out;
    for (const QString& part : {Key.host, Key.root1, Key.root2})
        out += withLength(EncodeFileName(part).toStdString());
    for (const std::string& column : columns)
        out += number(column.size());
    for (const std::string& column : columns)
        out += column;
    return out;
}

// One folder of `count` names of `length` bytes that differ only in their last three bytes, each
// kept as what it shares with the name before and the rest; sizes, dates and times are all zero.
std::string sharedNames(int count, size_t length, uint64_t told = 0) {
    std::array<std::string, 5> c;
    c[0] = number(1) + withLength("") + number(told ? told : uint64_t(count));
    std::string before;
    for (int i = 0; i < count; ++i) {
        const std::string tail = {char(i >> 16), char(i >> 8), char(i)};
        const size_t from =
            i ? size_t(std::mismatch(tail.begin(), tail.end(), before.begin()).first - tail.begin()) : 0;
        c[1] += i ? number(length - 3 + from) + withLength(tail.substr(from))
                  : number(0) + withLength(std::string(length - 3, 'a') + tail);
        before = tail;
        c[2] += '\0';
        c[3] += '\0';
        c[4] += std::string(2, '\0');
    }
    return payloadOf(c);
}

// `mib` MiB of zeros packed, with a head that tells `told` unpacked bytes: one MiB packed once
// and repeated, so that making them costs little time and memory.
QByteArray packedZeros(int mib, uint64_t told) {
    std::vector<Bytef> zeros(1 << 20), block(1 << 16);
    z_stream z{};
    deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    z.next_in = zeros.data();
    z.avail_in = uInt(zeros.size());
    z.next_out = block.data();
    z.avail_out = uInt(block.size());
    deflate(&z, Z_FULL_FLUSH); // ends on a byte, so the blocks can follow one another
    const QByteArray once(reinterpret_cast<const char*>(block.data()), qsizetype(block.size() - z.avail_out));
    deflateEnd(&z);
    const uLong one = adler32(adler32(0, nullptr, 0), zeros.data(), uInt(zeros.size()));
    uLong check = adler32(0, nullptr, 0);
    for (int i = 0; i < mib; ++i)
        check = adler32_combine(check, one, z_off_t(zeros.size()));
    QByteArray out =
        stateFile("", 0, told).left(20) + "\x78\x9c" + once.repeated(mib) + QByteArray("\x03\x00", 2);
    for (int shift = 24; shift >= 0; shift -= 8)
        out += char(check >> shift);
    return out;
}

long peakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

TEST(CommonState, KeepsEveryFileByteForByteForItsOwnKeyOnly) {
    const CommonState state = sample();
    const QString raw = "Ordner " + QString(QChar(0xDCFF)) + "/n" + QChar(0xDCE4) + "me.txt";
    EXPECT_EQ(describe(state),
              QStringList({raw.left(9) + " seit 1600000000", raw + " 0 0 1 1 1600000000 0 9",
                           "Ordner/ seit 1600000000", "Ordner/a.txt 1 1 1500000200 1500000200 1600000500 0 0",
                           "a.txt 7 7 1500000100 1500000100 1600000500 9223372036854775808 3",
                           "leer/ seit 1600000000", "z/q 1 2 1500000000 1500003600 1600000000 0 0",
                           "z/s 1 2 3 4 5 0 0 gesehen"}));
    ASSERT_TRUE(FindRemembered(state, raw));
    EXPECT_EQ(FindRemembered(state, raw)->date[0], 1);
    EXPECT_EQ(FindRemembered(state, "/a.txt")->size[0], 7); // a root kept without its separator
    EXPECT_EQ(FindRemembered(state, "A.TXT"), FindRemembered(state, "a.txt")); // the one case variant
    EXPECT_FALSE(FindRemembered(state, "weg/x"));
    EXPECT_TRUE(FindRecordedFolder(state, "LEER/"));
    EXPECT_FALSE(FindRecordedFolder(state, "z/"));
    EXPECT_FALSE(state.hasRoot());

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

// A file of the first version holds files in step only, without folders and inodes.
TEST(CommonState, ReadsTheFirstVersionAsAStateWithoutFoldersAndInodes) {
    std::array<std::string, 5> c;
    c[0] = number(1) + withLength("d/") + number(2);
    c[1] = number(0) + withLength("a") + number(0) + withLength("b");
    c[2] = number(10) + number(12);                                         // sizes 5 and 6
    c[3] = number(200) + number(2);                                         // dates 100 and 101
    c[4] = std::string(1, '\0') + number(4) + '\2' + number(2) + number(0); // b differs on side 2
    const std::optional<CommonState> v1 = ParseCommonState(stateFile(payloadOf(c)), Key);
    ASSERT_TRUE(v1);
    EXPECT_EQ(describe(*v1), QStringList({"d/a 5 5 100 100 2 0 0", "d/b 6 6 101 102 2 0 0"}));
    // Its flags are those of the first version only, and the second version's payload is another.
    c[4][0] = '\4';
    EXPECT_FALSE(ParseCommonState(stateFile(payloadOf(c)), Key));
    EXPECT_FALSE(ParseCommonState(stateFile(payloadOf(c), Z_BEST_SPEED, {}, 2), Key));
    EXPECT_FALSE(ParseCommonState(stateFile(payloadOf(c), Z_BEST_SPEED, {}, 3), Key));
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

// Files made to take memory out of all proportion to their size give no state, and reading them
// takes little memory. This test comes first of the large ones, so that nothing has raised the
// process's peak before it.
TEST(CommonState, HostileFilesGiveNoStateAndCostLittle) {
    struct Shape {
        const char* what;
        QByteArray file;
        bool isState;
    };
    const Shape shapes[] = {
        {"20 000 names of 64 KiB, each one byte on from the one before",
         stateFile(sharedNames(20000, 65535), 9), false},
        {"100 000 such names", stateFile(sharedNames(100000, 65535), 9), false},
        {"512 MiB of zeros", packedZeros(512, uint64_t(512) << 20), false},
        {"512 MiB of zeros told as 1 MiB", packedZeros(512, 1 << 20), false},
        {"names of 1024 bytes, each one byte on, unpacked", stateFile(sharedNames(25000, 1024), 0), false},
        {"names of 16 bytes, each one byte on, unpacked", stateFile(sharedNames(25000, 16), 0), true},
        {"a name of 1024 bytes", stateFile(sharedNames(1, 1024)), true},
        {"a name of 1025 bytes", stateFile(sharedNames(1, 1025)), false},
        {"more files told than the columns hold", stateFile(sharedNames(3, 16, 4)), false},
        {"2^40 files told", stateFile(sharedNames(3, 16, uint64_t(1) << 40)), false},
        {"2^40 folders told", stateFile(payloadOf({number(uint64_t(1) << 40), "", "", "", ""})), false},
    };
    ASSERT_TRUE(payloadIn(packedZeros(3, 3 << 20)) == std::string(3 << 20, '\0')); // a whole stream
    const long before = peakKiB();
    for (const Shape& shape : shapes)
        EXPECT_EQ(bool(ParseCommonState(shape.file, Key)), shape.isState)
            << shape.what << ", " << shape.file.size() << " bytes";
    EXPECT_LT(peakKiB() - before, 64 * 1024);
}

// Damage of any kind gives no state, or, where it reaches the reader past the packing, a state
// that is whole in itself; never a crash or an endless loop.
TEST(CommonState, RandomDamageGivesNoStateOrAWholeOne) {
    const QByteArray files[] = {SerializeCommonState(sample()), SerializeCommonState(honest(6, 40))};
    const QByteArray payloads[] = {QByteArray::fromStdString(payloadIn(files[0])),
                                   QByteArray::fromStdString(payloadIn(files[1]))};
    const QStringList originals[] = {describe(sample()), describe(honest(6, 40))};
    int states[2] = {0, 0};
    for (quint32 seed = 1; seed <= 4000; ++seed) {
        QRandomGenerator random(seed);
        const bool unpacked = seed % 2; // damage to the unpacked bytes, packed again
        const QByteArray* from = unpacked ? payloads : files;
        const QByteArray& donor = from[random.bounded(2)];
        QByteArray bytes = from[seed % 4 / 2];
        for (int step = random.bounded(1, 5); step > 0; --step) {
            const qsizetype at = random.bounded(bytes.size() + 1), n = random.bounded(1, 17);
            const qsizetype there = random.bounded(donor.size()), to = random.bounded(bytes.size() + 1);
            switch (random.bounded(6)) {
            case 0:
                if (at < bytes.size())
                    bytes[at] = char(bytes[at] ^ (1 << random.bounded(8)));
                break;
            case 1:
                if (at < bytes.size())
                    bytes[at] = char(random.bounded(256));
                break;
            case 2:
                bytes.insert(at, QByteArray(n, char(random.bounded(2) ? 0xFF : random.bounded(256))));
                break;
            case 3:
                bytes.remove(at, n);
                break;
            case 4:
                bytes = bytes.left(at) + donor.mid(there, n * 8) + bytes.mid(to);
                break;
            case 5:
                bytes.insert(at, bytes.mid(to, n * 8));
                break;
            }
        }
        const std::optional<CommonState> parsed =
            ParseCommonState(unpacked ? stateFile(bytes.toStdString(), Z_BEST_SPEED, {}, 3) : bytes, Key);
        if (!parsed)
            continue;
        ++states[unpacked];
        if (!unpacked) {
            EXPECT_TRUE(describe(*parsed) == originals[0] || describe(*parsed) == originals[1])
                << "seed " << seed;
            continue;
        }
        for (const StateFolder& folder : parsed->folders)
            for (size_t i = 0; i < folder.files.size(); ++i)
                ASSERT_TRUE(!folder.name(folder.files[i]).empty() &&
                            folder.name(folder.files[i]).size() <= 1024 &&
                            (i == 0 || folder.name(folder.files[i - 1]) < folder.name(folder.files[i])))
                    << "seed " << seed;
        const std::optional<CommonState> again = ParseCommonState(SerializeCommonState(*parsed), Key);
        ASSERT_TRUE(again && same(*again, *parsed)) << "seed " << seed;
    }
    EXPECT_GT(states[1], 50); // much damage past the packing leaves a state, as sizes and dates may be any
}

// Large states read back as they were written: real ones, and ones whose files are alike but for
// a counter in their names, which pack far more than real ones. What could not be read back (a
// name or a folder path beyond the longest the reader takes) is left out rather than losing all.
TEST(CommonState, LargeStatesReadBackAsWritten) {
    for (const CommonState& state : {honest(2000, 100), honest(2000, 100, true)}) {
        const std::optional<CommonState> back = ParseCommonState(SerializeCommonState(state), Key);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->fileCount(), 200000u);
        EXPECT_TRUE(same(*back, state));
    }
    CommonState state = honest(2, 3);
    CommonState kept = state;
    state.folders[QByteArray(65537, 'o') + '/'].add("a", {});
    for (CommonState* into : {&state, &kept})
        into->folders["lang/"].add(std::string(1024, 'n'), {});
    state.folders["lang/"].add(std::string(1025, 'n'), {});
    const std::optional<CommonState> back = ParseCommonState(SerializeCommonState(state), Key);
    ASSERT_TRUE(back);
    EXPECT_TRUE(same(*back, kept));
}

namespace {

struct Scan {
    RowList rows;
    CommonState after;
    bool changed;
};

// Both trees walked and matched as a scan does (in UTC), the rows marked with what `before`
// says; with the state after that scan.
Scan scanned(const TestTree (&trees)[2], const CommonState& before, int32_t now) {
    std::atomic<bool> cancel{false};
    SideTree walked[2];
    for (int side = 0; side < 2; ++side) {
        WalkProgress progress(cancel);
        walked[side] = WalkSide(WalkRequest{trees[side].path(), {}, {}, 0}, progress);
    }
    ScanReport report;
    MatchOptions options;
    options.report = &report;
    ResultRows list = MatchRows(walked[0], walked[1], Settings(), options);
    MarkRows(list.rows, before, Settings());
    const StateUpdate update = StateAfterScan(before, walked[0], walked[1], report, Settings(), now);
    return {list.rows, update.state, update.changed};
}

// One line per row: its path and what the state says of it.
QStringList marks(const RowList& rows) {
    const char* since[] = {"", " weg auf 1", " weg auf 2", " weg auf 1, geändert auf 2",
                           " weg auf 2, geändert auf 1"};
    QStringList out;
    for (const ResultRow& row : rows)
        out << row.path + since[row.sinceSync] +
                   (row.bothChanged ? QString(" rot seit %1").arg(row.inStepSince) : "");
    return out;
}

constexpr int32_t T0 = 1500000000;
constexpr int32_t N1 = 1600000000; // the first scan
constexpr int32_t N2 = 1600086400; // a day later

} // namespace

// What happened since the last complete scan, told by the state of that scan, and told again by
// the state of the next one, which stays as it is when nothing changes.
TEST(CommonState, RowsTellWhatHappenedOnEachSideSinceTheLastScan) {
    TestTree trees[2];
    const TreeSpec common = {File("weg.txt", "w", T0),      File("anders.txt", "a", T0),
                             File("beide.txt", "b", T0),    File("gleich.txt", "g", T0),
                             File("ordner/x.txt", "x", T0), File("bleibt/y.txt", "y", T0)};
    ASSERT_TRUE(trees[0].add(common) && trees[1].add(common));
    ASSERT_TRUE(trees[0].add({File("gesehen.txt", "1", T0)}) &&
                trees[1].add({File("gesehen.txt", "22", T0 + 100)}));
    CommonState empty;
    empty.key = Key;
    const Scan first = scanned(trees, empty, N1);
    EXPECT_EQ(marks(first.rows), QStringList({"gesehen.txt"})); // no state yet: nothing new on both sides
    ASSERT_TRUE(first.changed && first.after.hasRoot() && FindRecordedFolder(first.after, "bleibt/"));
    ASSERT_TRUE(FindRemembered(first.after, "gesehen.txt"));
    EXPECT_FALSE(FindRemembered(first.after, "gesehen.txt")->inStep);

    ASSERT_TRUE(QFile::remove(trees[1].path("weg.txt")) && QFile::remove(trees[0].path("anders.txt")) &&
                QDir(trees[0].path("ordner")).removeRecursively());
    ASSERT_TRUE(trees[0].add({File("beide.txt", "b1", T0 + 200), File("neu.txt", "n1", T0 + 10),
                              File("gesehen.txt", "333", T0 + 400), File("frisch.txt", "f", T0)}));
    ASSERT_TRUE(trees[1].add({File("beide.txt", "b22", T0 + 300), File("neu.txt", "n22", T0 + 20),
                              File("gesehen.txt", "4444", T0 + 600), File("anders.txt", "a2", T0 + 500)}));
    const QStringList expected = {"anders.txt weg auf 1, geändert auf 2",
                                  QString("beide.txt rot seit %1").arg(N1),
                                  "frisch.txt",
                                  "gesehen.txt",
                                  QString("neu.txt rot seit %1").arg(N1),
                                  "ordner/ weg auf 1",
                                  "ordner/x.txt weg auf 1",
                                  "weg.txt weg auf 2"};
    Scan second = scanned(trees, first.after, N2);
    EXPECT_EQ(marks(second.rows), expected);
    const Scan third = scanned(trees, second.after, N2 + 60);
    EXPECT_EQ(marks(third.rows), expected);
    EXPECT_FALSE(third.changed);
    EXPECT_EQ(describe(third.after), describe(second.after));

    // A state without its root (of the first version, or one no complete scan was kept of) knows
    // nothing new.
    CommonState rootless = first.after;
    rootless.folders[""].recorded = false;
    EXPECT_EQ(marks(scanned(trees, rootless, N2).rows).filter("rot"), QStringList({expected[1]}));

    // Settled by a sync: the deletions carried out, the file changed on side 2 copied back.
    RecordSync(second.after, {{{"anders.txt", 2, T0 + 500}}, {}, {"weg.txt", "ordner/"}}, N2 + 100);
    ASSERT_TRUE(QFile::remove(trees[0].path("weg.txt")) &&
                QDir(trees[1].path("ordner")).removeRecursively() &&
                trees[0].add({File("anders.txt", "a2", T0 + 500)}));
    EXPECT_EQ(marks(scanned(trees, second.after, N2 + 200).rows),
              QStringList({expected[1], "frisch.txt", "gesehen.txt", expected[4]}));
}

// The scan reports every folder with its sides and every file of either side, spelled as on side
// 1; what the filter excludes is not reported, what the quick filter hides is.
TEST(CommonState, TheScanReportsWhatTheStateIsKeptFrom) {
    TestTree trees[2];
    ASSERT_TRUE(trees[0].add({File("Ordner/a.txt", "a", T0), File("Ordner/nur1.txt", "1", T0),
                              File("raus/x.txt", "x", T0), Dir("leer1/")}));
    ASSERT_TRUE(trees[1].add({File("ordner/a.txt", "a", T0), File("ordner/B.txt", "2", T0),
                              File("Neu/tief/c.txt", "c", T0), File("raus.txt", "r", T0)}));
    std::atomic<bool> cancel{false};
    SideTree walked[2];
    for (int side = 0; side < 2; ++side) {
        WalkProgress progress(cancel);
        walked[side] = WalkSide(WalkRequest{trees[side].path(), {"raus"}, "nichts", 0}, progress);
    }
    ScanReport report;
    MatchOptions options;
    options.report = &report;
    EXPECT_TRUE(MatchRows(walked[0], walked[1], Settings(), options).rows.isEmpty());
    QStringList found;
    for (const ScanReport::Folder& folder : report.folders) {
        found << QString(folder.path1) + " auf " + QString::number(folder.sides);
        for (uint32_t i = folder.first; i < folder.first + folder.count; ++i) {
            const ScanReport::File& file = report.files[i];
            const int side = file.entry[0] != ScanReport::Absent ? 0 : 1;
            found << QString(folder.path1) + text(walked[side].name(walked[side].entries[file.entry[side]])) +
                         (file.entry[1 - side] != ScanReport::Absent ? (file.equal ? " gleich" : " anders")
                                                                     : QString(" auf %1").arg(side + 1));
        }
    }
    found.sort();
    EXPECT_EQ(found, QStringList({" auf 3", "Neu/ auf 2", "Neu/tief/ auf 2", "Neu/tief/c.txt auf 2",
                                  "Ordner/ auf 3", "Ordner/B.txt auf 2", "Ordner/a.txt gleich",
                                  "Ordner/nur1.txt auf 1", "leer1/ auf 1"}));
}

// Renames found among the rows to delete and the new ones: file by file, and whole folders.
TEST(CommonState, FindsOnlyTheMovesThatAreCertain) {
    CommonState state;
    state.key = Key;
    state.folders[""].recorded = true;
    const auto remember = [&state](const QString& path, int64_t size, uint64_t inode = 0) {
        RecordSync(state, {{{path, size, T0 + int32_t(size), {inode, 0}}}, {}, {}}, N1);
    };
    // Deleted on side 1, still on side 2 as it was; new on side 1, with an inode where it keeps them.
    const auto deleted = [](const QString& path, int64_t size) {
        ResultRow row;
        row.path = path;
        row.action = u'<';
        row.sides = PresentOn1 << 1;
        row.size2 = path.endsWith(u'/') ? DirectorySize : size;
        row.date2 = T0 + int32_t(size);
        return row;
    };
    const auto added = [](const QString& path, int64_t size, uint64_t inode = 0) {
        ResultRow row;
        row.path = path;
        row.action = u'>';
        row.sides = PresentOn1 | (inode ? StableInodesOn1 : 0);
        row.seen[0].inode = inode;
        row.size1 = path.endsWith(u'/') ? DirectorySize : size;
        row.date1 = T0 + int32_t(size);
        return row;
    };
    ResultRows list;
    for (const auto& [path, size, inode] :
         std::vector<std::tuple<QString, int, uint64_t>>{{"alt.txt", 10, 111},
                                                         {"alt2.txt", 20, 0},
                                                         {"x1.txt", 30, 0},
                                                         {"x2.txt", 30, 0},
                                                         {"A/a", 1, 0},
                                                         {"A/b", 2, 0},
                                                         {"A/c", 3, 0},
                                                         {"B/p", 4, 0},
                                                         {"B/q", 5, 0}}) {
        remember(path, size, inode);
        list.rows << deleted(path, size);
    }
    list.rows << deleted("A/", 0) << deleted("B/", 0) << added("neu.txt", 10, 111) << added("neu2.txt", 20)
              << added("y.txt", 30) << added("C/", 0) << added("E/", 0);
    for (const QString name : {"a", "b", "c"})
        list.rows << added("C/" + name, name[0].unicode() - 'a' + 1);
    list.rows << added("E/p", 4) << added("E/q", 5) << added("E/r", 6);
    SortRows(list);
    const RowList& rows = list.rows;
    MarkRows(list.rows, state, Settings());
    std::vector<bool> deleting, selected;
    for (const ResultRow& row : rows) {
        deleting.push_back(PresentOn(row, 1));
        selected.push_back(PresentOn(row, 0));
        ASSERT_EQ(row.sinceSync, PresentOn(row, 1) ? DeletedOn1 : NothingKnown) << row.path.toStdString();
    }
    QStringList compared;
    const auto sameContents = [&compared](const ResultRow& d, const ResultRow& n) {
        compared << d.path + " " + n.path;
        return true;
    };
    QStringList found;
    for (const Move& move : FindMoves(state, rows, deleting, selected, Settings(), sameContents))
        found << rows[move.deletedRow].path + " > " + rows[move.newRow].path +
                     (move.folder ? " (Ordner)" : "");
    found.sort();
    // x1.txt and x2.txt are alike, so y.txt is neither; E/ holds a file more than B/, so only its
    // files are moved one by one.
    EXPECT_EQ(found, QStringList({"A/ > C/ (Ordner)", "B/p > E/p", "B/q > E/q", "alt.txt > neu.txt",
                                  "alt2.txt > neu2.txt"}));
    compared.sort();
    EXPECT_EQ(compared,
              QStringList({"A/a C/a", "A/b C/b", "A/c C/c", "B/p E/p", "B/q E/q", "alt2.txt neu2.txt"}));
    // Without the same contents, only the inode proves a move.
    const auto differ = [](const ResultRow&, const ResultRow&) { return false; };
    const std::vector<Move> proven = FindMoves(state, rows, deleting, selected, Settings(), differ);
    ASSERT_EQ(proven.size(), 1u);
    EXPECT_EQ(rows[proven[0].newRow].path, "neu.txt");
    // Nor is anything a move that the user did not choose to delete.
    EXPECT_TRUE(
        FindMoves(state, rows, std::vector<bool>(rows.size(), false), selected, Settings(), sameContents)
            .empty());
}
