#include "OpsWindowFixture.h"

#include "platform/FileName.h"

#include <QRandomGenerator>
#include <map>
#include <sys/stat.h>

namespace {

constexpr int64_t T0 = 1500000000;

// A name that is not valid UTF-8, as old sticks and archives carry them.
QString raw(const char* bytes) {
    return DecodeFileName(QByteArray(bytes));
}

class Names : public OpsWindow {
protected:
    void syncAll() {
        selectAll();
        clickAndAnswer(form().buttonSelSync, "Ja");
    }
    QStringList onDisk(const TestTree& tree) { return DescribeTree(tree.path()); }
};

} // namespace

// Each case: the two trees, the rows the scan lists, and both trees after "Alles", "Sync", "Ja".
TEST_F(Names, SyncActsOnEachSidesOwnSpelling) {
    struct Case {
        const char* what;
        TreeSpec side1, side2;
        QStringList rows, after1, after2;
    };
    const std::vector<Case> cases = {
        {"case twins: the newest a.txt survives",
         {File("A.txt", "other", T0), File("a.txt", "newest", T0 + 200)},
         {File("a.txt", "old", T0 + 100)},
         {"A.txt >", "a.txt >"},
         {"A.txt 5 @1500000000", "a.txt 6 @1500000200"},
         {"A.txt 5 @1500000000", "a.txt 6 @1500000200"}},
        {"a case variant is replaced under its own name",
         {File("Readme.TXT", "new", T0 + 100)},
         {File("readme.txt", "old!", T0)},
         {"Readme.TXT >"},
         {"Readme.TXT 3 @1500000100"},
         {"readme.txt 3 @1500000100"}},
        {"a new file goes into the other side's folder as spelled there",
         {File("Cased/x", "x", T0)},
         {Dir("cased/")},
         {"Cased/x >"},
         {"Cased/", "Cased/x 1 @1500000000"},
         {"cased/", "cased/x 1 @1500000000"}},
        {"bytes that are not UTF-8 name different files",
         {File(raw("bad\xE4.txt"), "e4", T0 + 100), File(raw("bad\xF6.txt"), "f6", T0)},
         {File(raw("bad\xE4.txt"), "old", T0)},
         {raw("bad\xE4.txt") + " >", raw("bad\xF6.txt") + " >"},
         {raw("bad\xE4.txt") + " 2 @1500000100", raw("bad\xF6.txt") + " 2 @1500000000"},
         {raw("bad\xE4.txt") + " 2 @1500000100", raw("bad\xF6.txt") + " 2 @1500000000"}},
        {"bytes that are not UTF-8 after a letter that folds still name different files",
         {File(raw("Bad\xE4.dat"), "eins", T0)},
         {File(raw("Bad\xF6.dat"), "zwei", T0 + 86400)},
         {raw("Bad\xE4.dat") + " >", raw("Bad\xF6.dat") + " <"},
         {raw("Bad\xE4.dat") + " 4 @1500000000", raw("Bad\xF6.dat") + " 4 @1500086400"},
         {raw("Bad\xE4.dat") + " 4 @1500000000", raw("Bad\xF6.dat") + " 4 @1500086400"}},
        {"blanks and dots at the end and backslashes are part of a name",
         {File("dir /f", "1", T0), File("x\\y.", "2", T0)},
         {},
         {"dir / >", "dir /f >", "x\\y. >"},
         {"dir /", "dir /f 1 @1500000000", "x\\y. 1 @1500000000"},
         {"dir /", "dir /f 1 @1500000000", "x\\y. 1 @1500000000"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestTree one(c.side1);
        TestTree two(c.side2);
        ASSERT_TRUE(one.ok() && two.ok());
        openAppOn(one.path(), two.path());
        scan();
        QStringList rows;
        for (int i = 0; i < lines(); ++i)
            rows << cell(i, 1) + " " + cell(i, 4);
        EXPECT_EQ(rows, c.rows);
        syncAll();
        EXPECT_EQ(onDisk(one), c.after1);
        EXPECT_EQ(onDisk(two), c.after2);
        scan();
        EXPECT_EQ(lines(), 0) << paths().join(", ").toStdString();
        app.reset();
    }
}

TEST_F(Names, RawBytesAreShownReadablyDeletedAndRedated) {
    ASSERT_TRUE(source.add({File(raw("d\xE9.txt"), "one", T0 + 100)}));
    ASSERT_TRUE(target.add({File(raw("d\xE9.txt"), "two", T0), File(raw("x\xFF"), "gone", T0)}));
    openApp();
    scan();
    ASSERT_EQ(paths(), QStringList({raw("d\xE9.txt"), raw("x\xFF")}));
    EXPECT_EQ(form().listModel->data(form().listModel->index(1, 0), Qt::DisplayRole).toString(),
              QStringLiteral("x\uFFFD"));

    selectPaths({raw("x\xFF")});
    form().checkBoxDelZ->setChecked(true);
    clickAndAnswer(form().buttonSelDel, "Ja");
    EXPECT_FALSE(exists(target.path(raw("x\xFF"))));
    EXPECT_EQ(paths(), QStringList({raw("d\xE9.txt")}));

    selectAll();
    runWith("Ziel >>> Quelle", "Ausführen!");
    EXPECT_EQ(ReadModTime(target.path(raw("d\xE9.txt")))->seconds, T0 + 100);
    EXPECT_EQ(contentsOf(target.path(raw("d\xE9.txt"))), "two");
    EXPECT_EQ(lines(), 0);
}

// A filter word taken from a list line keeps its bytes: it hides its own name, not one that differs
// in such a byte.
TEST_F(Names, FilterWordFromAListLineHidesOnlyItsOwnName) {
    ASSERT_TRUE(source.add({File(raw("Bad\xE4.dat"), "1", T0), File(raw("BAD\xF6.dat"), "2", T0)}));
    openApp();
    scan();
    selectPaths({raw("Bad\xE4.dat")});
    form().menuItems[Menu_AddToFilter]->trigger();
    scan();
    EXPECT_EQ(paths(), QStringList({raw("BAD\xF6.dat")}));
}

TEST_F(Names, PipesAreNotListed) {
    ASSERT_TRUE(source.add({File("a", "1", T0)}));
    ASSERT_EQ(::mkfifo(QFile::encodeName(source.path("pipe")).constData(), 0644), 0);
    openApp();
    scan();
    EXPECT_EQ(paths(), QStringList({"a"}));
}

namespace {

// An independent model of the pairing: folder by folder, the exact name first, then the one case
// variant left on each side; everything else stands alone.
struct Node {
    bool folder = false;
    QByteArray contents;
    int64_t mtime = 0;
    std::map<QByteArray, Node> children;
};

struct Model {
    QStringList rows;                    // "path|action", path as on the copying side
    std::map<QString, QString> after[2]; // path -> "contents @time" expected on each side afterwards

    void file(int side, const QString& path, const Node& n) {
        after[side][path] = QString::fromLatin1(n.contents) + " @" + QString::number(n.mtime);
    }
    void copy(int from, const Node& n, const QString& own, const QString& other) {
        rows << own + (n.folder ? "/" : "") + "|" + (from == 0 ? ">" : "<");
        for (int side = 0; side < 2; ++side)
            placeAll(side, n, side == from ? own : other);
        if (n.folder)
            for (const auto& [name, child] : n.children)
                copy(from, child, own + "/" + raw(name), other + "/" + raw(name));
    }
    void placeAll(int side, const Node& n, const QString& path) {
        if (!n.folder)
            file(side, path, n);
    }
    void pair(const Node& a, const Node& b, const QString& pa, const QString& pb) {
        if (a.folder) {
            folder(&a, &b, pa + "/", pb + "/");
            return;
        }
        if (a.mtime == b.mtime) {
            file(0, pa, a);
            file(1, pb, b);
            return;
        }
        const Node& newer = a.mtime > b.mtime ? a : b;
        rows << (a.mtime > b.mtime ? pa + "|>" : pb + "|<");
        file(0, pa, newer);
        file(1, pb, newer);
    }
    void folder(const Node* a, const Node* b, const QString& pa, const QString& pb) {
        std::map<QByteArray, const Node*> left[2];
        for (const auto& [name, n] : a->children)
            left[0][name] = &n;
        for (const auto& [name, n] : b->children)
            left[1][name] = &n;
        for (auto it = left[0].begin(); it != left[0].end();) {
            auto other = left[1].find(it->first);
            if (other != left[1].end() && other->second->folder == it->second->folder) {
                pair(*it->second, *other->second, pa + raw(it->first), pb + raw(other->first));
                left[1].erase(other);
                it = left[0].erase(it);
            } else {
                ++it;
            }
        }
        std::map<QByteArray, std::vector<QByteArray>> variants[2];
        for (int s = 0; s < 2; ++s)
            for (const auto& [name, n] : left[s])
                variants[s][(n->folder ? "d" : "f") + folded(name)].push_back(name);
        for (const auto& [key, names] : variants[0]) {
            auto other = variants[1].find(key);
            if (names.size() == 1 && other != variants[1].end() && other->second.size() == 1) {
                pair(*left[0][names[0]], *left[1][other->second[0]], pa + raw(names[0]),
                     pb + raw(other->second[0]));
                left[0].erase(names[0]);
                left[1].erase(other->second[0]);
            }
        }
        for (int s = 0; s < 2; ++s)
            for (const auto& [name, n] : left[s])
                copy(s, *n, (s == 0 ? pa : pb) + raw(name), (s == 0 ? pb : pa) + raw(name));
    }
    static QString raw(const QByteArray& name) { return DecodeFileName(name); }
    // Letters lower-cased one UTF-8 character at a time; a byte that starts no valid character
    // stays as it is.
    static QByteArray folded(const QByteArray& name) {
        QByteArray out;
        for (qsizetype i = 0; i < name.size();) {
            const auto lead = uchar(name[i]);
            const int length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
            const QByteArray character = name.mid(i, length);
            const QString decoded = QString::fromUtf8(character);
            const bool valid = character.size() == length && decoded.toUtf8() == character;
            out += valid ? decoded.toLower().toUtf8() : character.left(1);
            i += valid ? length : 1;
        }
        return out;
    }
};

void build(const QString& root, const Node& n, const QString& path, TreeSpec& out) {
    for (const auto& [name, child] : n.children) {
        const QString p = path + DecodeFileName(name);
        if (child.folder) {
            out.push_back(Dir(p + "/"));
            build(root, child, p + "/", out);
        } else {
            out.push_back(File(p, child.contents, child.mtime));
        }
    }
}

std::map<QString, QString> filesOn(const TestTree& tree) {
    std::map<QString, QString> out;
    for (const TreeEntry& e : tree.read())
        if (!e.isDir())
            out[e.path] = QString::fromLatin1(e.contents) + " @" + QString::number(e.mtime);
    return out;
}

} // namespace

// Generated trees whose names mix case variants, case twins, umlauts, bytes that are not UTF-8 (also
// after a letter that folds) and a real replacement character:
// the list is what the model expects, and after "Alles" and "Sync" a second scan lists nothing and
// each side holds the newest contents of every file under its own names.
TEST_F(Names, GeneratedTreesMatchTheModelAndSyncLosesNothing) {
    const std::vector<QByteArray> fileNames = {
        "a",     "A",      "\xC3\xA4", "\xC3\x84",     "b\xE4",        "B\xE4",         "b\xC4",
        "B\xC4", "B\xF6x", "b\xF6x",   "\xC3\x84\xE4", "\xC3\xA4\xE4", "B\xEF\xBF\xBD", "b\xEF\xBF\xBD"};
    const std::vector<QByteArray> folderNames = {"D", "d", "\xC3\xB6rdner", "\xC3\x96rdner"};
    for (quint32 seed = 1; seed <= 30; ++seed) {
        SCOPED_TRACE(seed);
        QRandomGenerator random(seed);
        Node roots[2];
        roots[0].folder = roots[1].folder = true;
        for (int side = 0; side < 2; ++side) {
            auto fill = [&](Node& folder, int depth, auto& self) -> void {
                for (const QByteArray& name : fileNames)
                    if (random.bounded(3) == 0)
                        folder.children[name] = Node{
                            false, "s" + QByteArray::number(side) + name, T0 + 100 * random.bounded(3), {}};
                if (depth < 2)
                    for (const QByteArray& name : folderNames)
                        if (random.bounded(3) == 0) {
                            Node& sub = folder.children[name];
                            sub.folder = true;
                            self(sub, depth + 1, self);
                        }
            };
            fill(roots[side], 0, fill);
        }
        TestTree one;
        TestTree two;
        TreeSpec layout[2];
        build(one.path(), roots[0], "", layout[0]);
        build(two.path(), roots[1], "", layout[1]);
        ASSERT_TRUE(one.add(layout[0]) && two.add(layout[1]));
        Model model;
        model.folder(&roots[0], &roots[1], "", "");

        openAppOn(one.path(), two.path());
        scan();
        QStringList rows;
        for (int i = 0; i < lines(); ++i)
            rows << cell(i, 1) + "|" + cell(i, 4);
        rows.sort();
        model.rows.sort();
        EXPECT_EQ(rows, model.rows);

        syncAll();
        scan();
        EXPECT_EQ(lines(), 0) << paths().join(", ").toStdString();
        EXPECT_EQ(filesOn(one), model.after[0]);
        EXPECT_EQ(filesOn(two), model.after[1]);
        app.reset();
    }
}
