#pragma once

#include "sets/SettingsText.h"

#include <QByteArray>
#include <QString>
#include <vector>

// The settings file while it is open: its lines in document order, held as UTF-8, with a selected
// group, a pending group and a cursor for walking keys. Group names and keys match ignoring the case
// of A to Z only. Saving replaces the file atomically, so a failed save leaves the old file whole;
// a file that is a symbolic link is saved at the link's target. Keys and values read back byte for
// byte whatever bytes they hold: those that would split a line or be trimmed are escaped.
class SettingsDocument {
public:
    // Reads and parses the file. False when it cannot be read at all (also when missing); a file
    // that cannot be written is opened for reading only and is never written back.
    bool open(const QString& path);
    // An empty document that will replace the file at close. A missing file is created at once;
    // false when that fails or the path cannot be written.
    bool create(const QString& path);

    // The file's bytes as they were opened, how they were read, and whether some are no text.
    const QByteArray& fileBytes() const { return original; }
    SettingsEncoding encoding() const { return readAs; }
    bool hasNonText() const { return nonText; }
    bool hasGroup(const QString& name) const;
    // Whether the selected group holds the key; false for a pending group.
    bool hasKey(const QString& key) const;

    void selectGroup(const QString& name);
    QString readString(const QString& key, const QString& defaultValue) const;
    int readInteger(const QString& key, int defaultValue) const;
    void writeString(const QString& key, const QString& value);
    void writeInteger(const QString& key, int value);
    void addComment(const QString& text);

    // Walks the key lines of the selected group in document order; false when the group is pending.
    bool examineKeys();
    bool nextKey();
    QString keyName() const;
    QString keyValue() const;

    void removeKey(const QString& key);
    void removeGroup(const QString& name);

    // Writes the file when something changed and the file may be written; false when that write
    // failed. The document is empty and closed afterwards.
    bool close();
    // Closes without writing anything.
    void abandon();
    // Whether close() would write the file.
    bool willWrite() const { return mode == Mode::ReadWrite && changed; }

    bool isReadOnly() const { return mode == Mode::ReadOnly; }
    // The bytes close() would write.
    QByteArray serialized() const;

private:
    enum class Kind { Group, Comment, Key };
    struct Line {
        Kind kind = Kind::Key;
        QByteArray name;  // group name, comment text or key (escaped)
        QByteArray value; // escaped
    };
    enum class Mode { Closed, ReadOnly, ReadWrite };

    void parse(const QByteArray& utf8);
    int groupEnd(int groupLine) const;
    // `key` as its bytes, unescaped.
    int findKey(const QByteArray& key) const;
    int findGroup(const QByteArray& name) const;
    void materializePending();
    void insertLine(int at, Line line);
    void removeLines(int first, int last);

    QString filePath;
    Mode mode = Mode::Closed;
    QByteArray original;
    SettingsEncoding readAs = SettingsEncoding::Utf8WithBom;
    bool nonText = false;
    std::vector<Line> lines;
    int selected = -1; // index of the selected group line; -1 for the lines before the first group
    bool pending = false;
    QByteArray pendingName;
    int lastTouched = -1;
    bool changed = false;
    int walkLine = -1; // key line the walk stands on
    bool walking = false;
};
