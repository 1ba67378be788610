#include "platform/FileName.h"
#include "scan/CommonStateFile.h"

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

// Whether two states hold the same files in the same order, compared directly (as describing
// them would take long for large ones).
bool same(const CommonState& a, const CommonState& b) {
    const auto fields = [](const StateFolder::File& f) {
        return std::tuple(f.nameOffset, f.nameLength, f.state.size[0], f.state.size[1], f.state.date[0],
                          f.state.date[1], f.state.since);
    };
    return a.folders.size() == b.folders.size() &&
           std::all_of(a.folders.keyValueBegin(), a.folders.keyValueEnd(), [&](const auto& folder) {
               const auto other = b.folders.constFind(folder.first);
               return other != b.folders.cend() && other->names == folder.second.names &&
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
            folder.add(
                name,
                {{size, n % 50 ? size : size + 1}, {date, n % 30 ? date : date + 3600}, 1600000000 + n % 3});
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

// A state file as the program writes one, with `payload` packed at `level`; its head tells the
// unpacked length as `told` when given.
QByteArray stateFile(const std::string& payload, int level = Z_BEST_SPEED,
                     std::optional<uint64_t> told = {}) {
    QByteArray out = "TDXSTAND";
    out += QByteArray("\1\0\0\0", 4); // version 1
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
            ParseCommonState(unpacked ? stateFile(bytes.toStdString()) : bytes, Key);
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
