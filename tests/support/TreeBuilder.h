#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <vector>

// One entry of a test tree. A directory's path ends with "/". A file gets `contents`, or, when
// `size` is set, `size` bytes of a repeating pattern (files above 16 MiB are sparse zeros with a
// mark every 64 KiB, so a test can make a 3 GiB file cheaply). A link is made when `linkTarget` is set; it is
// never followed. `mtime` 0 leaves the time the file system gave it.
struct TreeEntry {
    QString path;
    QByteArray contents;
    int64_t size = -1;
    int64_t mtime = 0;
    int32_t mtimeNsec = 0;
    bool readOnly = false;
    QString linkTarget;

    bool isDir() const { return path.endsWith(u'/'); }
    bool isLink() const { return !linkTarget.isEmpty(); }
    int64_t fileSize() const { return size >= 0 ? size : contents.size(); }
    bool operator==(const TreeEntry& other) const;
};

using TreeSpec = std::vector<TreeEntry>;

// Short forms for the usual entries.
TreeEntry File(const QString& path, const QByteArray& contents, int64_t mtime = 0);
TreeEntry SizedFile(const QString& path, int64_t size, int64_t mtime = 0);
TreeEntry Dir(const QString& path, int64_t mtime = 0);
TreeEntry Link(const QString& path, const QString& target);

// Creates the entries below `root` (which must exist), parents first, and sets their times
// after all contents are in place, so directory times survive the creation of their children.
// Missing parent directories are created. Returns false when anything could not be made.
bool BuildTree(const QString& root, const TreeSpec& entries);

// Reads the tree below `root` back, sorted by path: files with contents (files above 1 MiB only
// with their size), directories, links with their targets, each with its time and read-only flag.
TreeSpec ReadTree(const QString& root);

// One line per entry ("a/b.txt 5 @1500000000 ro"): for readable comparisons in test output.
// Directory times are left out unless asked for, as many operations touch them on purpose.
QStringList DescribeTree(const TreeSpec& tree, bool withDirTimes = false);
QStringList DescribeTree(const QString& root, bool withDirTimes = false);

// A temporary folder holding a tree; the folder (made writable again) is removed at the end.
class TestTree {
public:
    explicit TestTree(const TreeSpec& entries = {});
    ~TestTree();
    TestTree(const TestTree&) = delete;
    TestTree& operator=(const TestTree&) = delete;

    bool ok() const { return valid; }
    QString path() const; // ends with "/"
    QString path(const QString& relative) const { return path() + relative; }
    bool add(const TreeSpec& entries) { return BuildTree(path(), entries); }
    TreeSpec read() const { return ReadTree(path()); }

private:
    QTemporaryDir dir;
    bool valid = false;
};

// A file's bytes, opened by the name's bytes, so names that are not valid UTF-8 work too; empty
// when it cannot be read.
std::optional<QByteArray> ReadFileBytes(const QString& path);

// Makes every entry below `root` writable by its owner again, so it can be removed.
void MakeTreeWritable(const QString& root);

void PrintTo(const TreeEntry& entry, std::ostream* os);
