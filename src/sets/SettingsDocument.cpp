#include "sets/SettingsDocument.h"

#include "platform/FileName.h"

#include "platform/FileReplace.h"

#include <QFile>
#include <QFileInfo>
#include <climits>

namespace {

const QByteArray Bom("\xEF\xBB\xBF");
const QByteArray LineEnd("\r\n");

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

char foldAZ(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// Names and keys match ignoring the case of A to Z only; UTF-8 multi-byte sequences never contain
// these bytes, so comparing bytes is comparing characters.
bool sameName(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (foldAZ(a[i]) != foldAZ(b[i]))
            return false;
    }
    return true;
}

QByteArray trimBlanks(const QByteArray& s) {
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && isBlank(s[begin]))
        ++begin;
    while (end > begin && isBlank(s[end - 1]))
        --end;
    return s.mid(begin, end - begin);
}

// A line break inside a comment or group name would split its line and change the file's
// structure. Both are the program's own texts.
QByteArray oneLine(const QString& text) {
    QByteArray bytes = EncodeFileName(text);
    bytes.replace('\r', ' ');
    bytes.replace('\n', ' ');
    return bytes;
}

// Keys and values are stored as UTF-8, and a path's bytes that are not valid UTF-8 as they are, so
// a folder with such a name is found again. The byte 0xC0, which UTF-8 never holds, introduces an
// escape: 0xC0 followed by the byte XOR 0x80 stands for a control byte (it would split the line or
// make the file look like no text), for a blank or tab at either end (reading trims those) and for
// 0xC0 itself. Every other byte is written as it is, so a plain value reads as it always did.
constexpr char EscapeLead = char(0xC0);
constexpr char EscapeFlip = char(0x80);

bool isControlByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b < 0x20 || b == 0x7F;
}

QByteArray escaped(const QByteArray& bytes) {
    QByteArray out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        const bool atAnEnd = i == 0 || i == bytes.size() - 1;
        if (isControlByte(c) || c == EscapeLead || (atAnEnd && isBlank(c))) {
            out += EscapeLead;
            out += char(c ^ EscapeFlip);
        } else {
            out += c;
        }
    }
    return out;
}

bool isEscapedByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b >= 0x80 && b <= 0xA0) || b == 0xFF || b == 0x40;
}

// A 0xC0 followed by a byte no escape produces stays a literal 0xC0, so files written before keep
// reading as they did. The one name they held that now reads otherwise is an old raw 0xC0 (a
// Latin-1 "À") followed by one of the escape's bytes.
QByteArray unescaped(const QByteArray& stored) {
    if (!stored.contains(EscapeLead))
        return stored;
    QByteArray out;
    out.reserve(stored.size());
    for (qsizetype i = 0; i < stored.size(); ++i) {
        if (stored[i] == EscapeLead && i + 1 < stored.size() && isEscapedByte(stored[i + 1])) {
            out += char(stored[i + 1] ^ EscapeFlip);
            ++i;
        } else {
            out += stored[i];
        }
    }
    return out;
}

QString storedText(const QByteArray& stored) {
    return DecodeFileName(unescaped(trimBlanks(stored)));
}

int parseLeadingInteger(const QByteArray& value) {
    qsizetype i = 0;
    while (i < value.size() && isBlank(value[i]))
        ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
        negative = value[i] == '-';
        ++i;
    }
    qint64 number = 0;
    while (i < value.size() && value[i] >= '0' && value[i] <= '9') {
        if (number <= qint64(INT_MAX) + 1)
            number = number * 10 + (value[i] - '0');
        ++i;
    }
    if (negative)
        number = -number;
    if (number > INT_MAX)
        return INT_MAX;
    if (number < INT_MIN)
        return INT_MIN;
    return int(number);
}

} // namespace

bool SettingsDocument::open(const QString& path) {
    close();
    QFile file(path);
    Mode openedAs = Mode::ReadWrite;
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly)) {
        if (!file.open(QIODevice::ReadOnly | QIODevice::ExistingOnly))
            return false;
        openedAs = Mode::ReadOnly;
    }
    original = file.readAll();
    file.close();
    const SettingsText text = DecodeSettingsBytes(original);
    parse(text.utf8);
    readAs = text.encoding;
    nonText = text.hasNonText;
    filePath = path;
    mode = openedAs;
    return true;
}

bool SettingsDocument::create(const QString& path) {
    close();
    // A link whose target is missing creates the target, so the link stays.
    const QString target = FinalLinkTarget(path);
    if (target.isEmpty())
        return false;
    QFile file(target);
    // An existing file keeps its contents until the new ones replace it whole at close.
    const bool exists = QFileInfo::exists(target);
    if (exists) {
        if (!QFileInfo(target).isFile() || !file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
            return false;
    } else if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        return false;
    }
    file.close();
    filePath = path;
    mode = Mode::ReadWrite;
    changed = true;
    return true;
}

void SettingsDocument::parse(const QByteArray& utf8) {
    lines.clear();
    const qsizetype n = utf8.size();
    qsizetype pos = 0;
    while (pos < n) {
        qsizetype end = pos;
        while (end < n && utf8[end] != '\r' && utf8[end] != '\n')
            ++end;
        qsizetype i = pos;
        while (i < end && isBlank(utf8[i]))
            ++i;
        if (i < end) {
            Line line;
            if (utf8[i] == ';') {
                ++i;
                if (i < end && utf8[i] == ' ')
                    ++i;
                line.kind = Kind::Comment;
                line.name = utf8.mid(i, end - i);
            } else if (utf8[i] == '[') {
                ++i;
                qsizetype close = i;
                while (close < end && utf8[close] != ']')
                    ++close;
                line.kind = Kind::Group;
                line.name = utf8.mid(i, close - i);
            } else {
                qsizetype eq = i;
                while (eq < end && utf8[eq] != '=')
                    ++eq;
                qsizetype keyEnd = eq;
                while (keyEnd > i && isBlank(utf8[keyEnd - 1]))
                    --keyEnd;
                line.kind = Kind::Key;
                line.name = utf8.mid(i, keyEnd - i);
                if (eq < end) {
                    qsizetype v = eq + 1;
                    while (v < end && isBlank(utf8[v]))
                        ++v;
                    line.value = utf8.mid(v, end - v);
                }
            }
            lines.push_back(std::move(line));
        }
        pos = end;
        while (pos < n && (utf8[pos] == '\r' || utf8[pos] == '\n'))
            ++pos;
    }
}

int SettingsDocument::groupEnd(int groupLine) const {
    int i = groupLine + 1;
    while (i < int(lines.size()) && lines[size_t(i)].kind != Kind::Group)
        ++i;
    return i;
}

int SettingsDocument::findKey(const QByteArray& key) const {
    if (pending)
        return -1;
    const int end = groupEnd(selected);
    for (int i = selected + 1; i < end; ++i) {
        const Line& line = lines[size_t(i)];
        if (line.kind == Kind::Key && sameName(unescaped(line.name), key))
            return i;
    }
    return -1;
}

bool SettingsDocument::hasGroup(const QString& name) const {
    return findGroup(oneLine(name)) >= 0;
}

bool SettingsDocument::hasKey(const QString& key) const {
    return findKey(EncodeFileName(key)) >= 0;
}

int SettingsDocument::findGroup(const QByteArray& name) const {
    for (int i = 0; i < int(lines.size()); ++i) {
        const Line& line = lines[size_t(i)];
        if (line.kind == Kind::Group && sameName(line.name, name))
            return i;
    }
    return -1;
}

void SettingsDocument::selectGroup(const QString& name) {
    walking = false;
    const QByteArray bytes = oneLine(name);
    if (bytes.isEmpty()) {
        selected = -1;
        pending = false;
        return;
    }
    const int group = findGroup(bytes);
    if (group >= 0) {
        selected = group;
        pending = false;
        lastTouched = group;
    } else {
        pending = true;
        pendingName = bytes;
    }
}

QString SettingsDocument::readString(const QString& key, const QString& defaultValue) const {
    const int i = findKey(EncodeFileName(key));
    return i < 0 ? defaultValue : storedText(lines[size_t(i)].value);
}

int SettingsDocument::readInteger(const QString& key, int defaultValue) const {
    const int i = findKey(EncodeFileName(key));
    return i < 0 ? defaultValue : parseLeadingInteger(lines[size_t(i)].value);
}

void SettingsDocument::materializePending() {
    if (!pending)
        return;
    Line group;
    group.kind = Kind::Group;
    group.name = pendingName;
    lines.push_back(std::move(group));
    selected = int(lines.size()) - 1;
    lastTouched = selected;
    pending = false;
    pendingName.clear();
    changed = true;
}

void SettingsDocument::insertLine(int at, Line line) {
    lines.insert(lines.begin() + at, std::move(line));
    for (int* index : {&selected, &lastTouched, &walkLine}) {
        if (*index >= at)
            ++*index;
    }
}

void SettingsDocument::removeLines(int first, int last) {
    const int count = last - first + 1;
    if (selected >= first && selected <= last) {
        // The selected group is gone: further writes create it anew at the end.
        pending = true;
        pendingName = lines[size_t(selected)].name;
        selected = -1;
    } else if (selected > last) {
        selected -= count;
    }
    for (int* index : {&lastTouched, &walkLine}) {
        if (*index > last)
            *index -= count;
        else if (*index >= first)
            *index = first - 1;
    }
    lines.erase(lines.begin() + first, lines.begin() + last + 1);
    changed = true;
}

void SettingsDocument::writeString(const QString& key, const QString& value) {
    materializePending();
    const QByteArray keyBytes = EncodeFileName(key);
    const int existing = findKey(keyBytes);
    if (existing >= 0) {
        Line& line = lines[size_t(existing)];
        line.name = escaped(keyBytes);
        line.value = escaped(EncodeFileName(value));
        lastTouched = existing;
    } else {
        Line line;
        line.kind = Kind::Key;
        line.name = escaped(keyBytes);
        line.value = escaped(EncodeFileName(value));
        const int at = groupEnd(selected);
        insertLine(at, std::move(line));
        lastTouched = at;
    }
    changed = true;
}

void SettingsDocument::writeInteger(const QString& key, int value) {
    writeString(key, QString::number(value));
}

void SettingsDocument::addComment(const QString& text) {
    materializePending();
    Line line;
    line.kind = Kind::Comment;
    line.name = oneLine(text);
    const int at = lastTouched + 1;
    insertLine(at, std::move(line));
    lastTouched = at;
    changed = true;
}

bool SettingsDocument::examineKeys() {
    if (pending) {
        walking = false;
        return false;
    }
    walking = true;
    walkLine = selected;
    return true;
}

bool SettingsDocument::nextKey() {
    if (!walking || pending)
        return false;
    const int end = groupEnd(selected);
    for (int i = walkLine + 1; i < end; ++i) {
        if (lines[size_t(i)].kind == Kind::Key) {
            walkLine = i;
            return true;
        }
    }
    walking = false;
    return false;
}

QString SettingsDocument::keyName() const {
    if (!walking || walkLine < 0 || walkLine >= int(lines.size()))
        return {};
    return DecodeFileName(unescaped(lines[size_t(walkLine)].name));
}

QString SettingsDocument::keyValue() const {
    if (!walking || walkLine < 0 || walkLine >= int(lines.size()))
        return {};
    return storedText(lines[size_t(walkLine)].value);
}

void SettingsDocument::removeKey(const QString& key) {
    const int i = findKey(EncodeFileName(key));
    if (i >= 0)
        removeLines(i, i);
}

void SettingsDocument::removeGroup(const QString& name) {
    const int group = findGroup(oneLine(name));
    if (group >= 0)
        removeLines(group, groupEnd(group) - 1);
}

QByteArray SettingsDocument::serialized() const {
    QByteArray out = Bom + LineEnd;
    for (const Line& line : lines) {
        switch (line.kind) {
        case Kind::Group:
            out += '[' + line.name + ']';
            break;
        case Kind::Comment:
            out += "; " + line.name;
            break;
        case Kind::Key:
            out += line.name + " = " + line.value;
            break;
        }
        out += LineEnd;
    }
    return out;
}

bool SettingsDocument::close() {
    // A disk that fills up half-way must fail the save and leave the previous file whole.
    const bool written = !willWrite() || ReplaceFileContents(filePath, serialized());
    abandon();
    return written;
}

void SettingsDocument::abandon() {
    filePath.clear();
    original.clear();
    readAs = SettingsEncoding::Utf8WithBom;
    nonText = false;
    mode = Mode::Closed;
    lines.clear();
    selected = -1;
    pending = false;
    pendingName.clear();
    lastTouched = -1;
    changed = false;
    walkLine = -1;
    walking = false;
}
