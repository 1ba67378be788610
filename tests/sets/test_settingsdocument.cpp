#include "platform/FileName.h"
#include "sets/SettingsDocument.h"
#include "support/Privileges.h"

#include "support/FileBytes.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const QByteArray Head("\xEF\xBB\xBF\r\n");

class SettingsDocumentTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath("Tandrix.ini"); }
};

TEST_F(SettingsDocumentTest, Close_WritesBomEmptyFirstLineAndCrLfLines) {
    SettingsDocument doc;
    ASSERT_TRUE(doc.create(path()));
    doc.selectGroup("Erste");
    doc.addComment("Kommentar");
    doc.addComment("\tmit Tab");
    doc.writeString("Name", "Wert mit Leerzeichen");
    doc.writeInteger("Zahl", -42);
    doc.writeInteger("Null", 0);
    doc.writeString("Leer", "");
    ASSERT_TRUE(doc.close());
    EXPECT_EQ(readBytes(path()), Head + "[Erste]\r\n"
                                        "; Kommentar\r\n"
                                        "; \tmit Tab\r\n"
                                        "Name = Wert mit Leerzeichen\r\n"
                                        "Zahl = -42\r\n"
                                        "Null = 0\r\n"
                                        "Leer = \r\n");
}

TEST_F(SettingsDocumentTest, Create_MakesMissingFileAtOnce) {
    SettingsDocument doc;
    ASSERT_TRUE(doc.create(path()));
    EXPECT_TRUE(QFile::exists(path()));
    doc.close();
    EXPECT_EQ(readBytes(path()), Head);
}

TEST_F(SettingsDocumentTest, Create_FailsWhereADirectoryIs) {
    ASSERT_TRUE(QDir().mkpath(path()));
    SettingsDocument doc;
    EXPECT_FALSE(doc.create(path()));
}

TEST_F(SettingsDocumentTest, Create_KeepsOldContentsUntilClose) {
    writeBytes(path(), "[Alt]\r\nk = v\r\n");
    SettingsDocument doc;
    ASSERT_TRUE(doc.create(path()));
    EXPECT_EQ(readBytes(path()), QByteArray("[Alt]\r\nk = v\r\n"));
    doc.selectGroup("Neu");
    doc.writeString("a", "b");
    ASSERT_TRUE(doc.close());
    EXPECT_EQ(readBytes(path()), Head + "[Neu]\r\na = b\r\n");
}

TEST_F(SettingsDocumentTest, Open_MissingFileFailsReadsDefaultsAndWritesNothing) {
    SettingsDocument doc;
    EXPECT_FALSE(doc.open(path()));
    doc.selectGroup("G");
    EXPECT_EQ(doc.readString("k", "vorgabe"), "vorgabe");
    EXPECT_EQ(doc.readInteger("n", 17), 17);
    doc.writeString("k", "v");
    doc.close();
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(SettingsDocumentTest, Open_ParsesLinesAsTheyAreMeant) {
    writeBytes(path(), "\xEF\xBB\xBF"
                       "vorne=1\r\n"
                       "  \t\r\n"
                       "\t [Gruppe] Rest\n"
                       ";ohne Leerzeichen\r\r\n\n"
                       ";  zwei Leerzeichen\n"
                       "   Schluessel \t =  \t Wert  \r"
                       "OhneGleich\n"
                       "[Offen\n"
                       "x=y=z\n");
    SettingsDocument doc;
    ASSERT_TRUE(doc.open(path()));
    EXPECT_EQ(doc.readInteger("vorne", 0), 1);
    doc.selectGroup("Gruppe");
    EXPECT_EQ(doc.readString("Schluessel", "-"), "Wert");
    EXPECT_EQ(doc.readString("OhneGleich", "-"), "");
    doc.selectGroup("Offen");
    EXPECT_EQ(doc.readString("x", "-"), "y=z");
    EXPECT_EQ(doc.serialized(), Head + "vorne = 1\r\n"
                                       "[Gruppe]\r\n"
                                       "; ohne Leerzeichen\r\n"
                                       ";  zwei Leerzeichen\r\n"
                                       "Schluessel = Wert  \r\n"
                                       "OhneGleich = \r\n"
                                       "[Offen]\r\n"
                                       "x = y=z\r\n");
}

TEST_F(SettingsDocumentTest, Open_Latin1WithoutBomIsWrittenBackAsUtf8WithBom) {
    writeBytes(path(), "[G]\r\nk = B\xE4r\r\n");
    SettingsDocument doc;
    ASSERT_TRUE(doc.open(path()));
    doc.selectGroup("G");
    EXPECT_EQ(doc.readString("k", ""), QString::fromUtf8("Bär"));
    doc.writeString("n", "1");
    ASSERT_TRUE(doc.close());
    EXPECT_EQ(readBytes(path()), Head + "[G]\r\nk = B\xC3\xA4r\r\nn = 1\r\n");
}

TEST_F(SettingsDocumentTest, Open_Utf8AfterBom) {
    writeBytes(path(), "\xEF\xBB\xBF[G]\r\nk = B\xC3\xA4r\r\n");
    SettingsDocument doc;
    ASSERT_TRUE(doc.open(path()));
    doc.selectGroup("G");
    EXPECT_EQ(doc.readString("k", ""), QString::fromUtf8("Bär"));
}

TEST_F(SettingsDocumentTest, Lookup_FoldsOnlyAToZ) {
    writeBytes(path(), "\xEF\xBB\xBF[Gruppe]\r\nSchluessel = 1\r\n\xC3\x84pfel = 2\r\n");
    SettingsDocument doc;
    ASSERT_TRUE(doc.open(path()));
    doc.selectGroup("gRUPPE");
    EXPECT_EQ(doc.readInteger("SCHLUESSEL", 0), 1);
    EXPECT_EQ(doc.readInteger(QString::fromUtf8("Äpfel"), 0), 2);
    EXPECT_EQ(doc.readInteger(QString::fromUtf8("äpfel"), 0), 0);
    doc.writeInteger(QString::fromUtf8("äpfel"), 3);
    doc.writeInteger("schluessel", 4);
    EXPECT_EQ(doc.serialized(),
              Head + "[Gruppe]\r\nschluessel = 4\r\n\xC3\x84pfel = 2\r\n\xC3\xA4pfel = 3\r\n");
}

TEST_F(SettingsDocumentTest, Lookup_FirstGroupAndKeyWin) {
    writeBytes(path(), "[G]\nk=1\nk=2\n[g]\nk=3\n");
    SettingsDocument doc;
    ASSERT_TRUE(doc.open(path()));
    doc.selectGroup("G");
    EXPECT_EQ(doc.readInteger("k", 0), 1);
    doc.selectGroup("g");
    EXPECT_EQ(doc.readInteger("k", 0), 1);
}

TEST_F(SettingsDocumentTest, ReadInteger_TakesTheLeadingNumber) {
    writeBytes(path(),
               "a = -12abc\nb = abc\nc =\nd = +7\ne = 99999999999\nf = - 3\ng =   5 6\nh = -2147483648\n");
    SettingsDocument doc;
    ASSERT_TRUE(doc.open(path()));
    EXPECT_EQ(doc.readInteger("a", 1), -12);
    EXPECT_EQ(doc.readInteger("b", 1), 0);
    EXPECT_EQ(doc.readInteger("c", 1), 0);
    EXPECT_EQ(doc.readInteger("d", 1), 7);
    EXPECT_EQ(doc.readInteger("e", 1), 2147483647);
    EXPECT_EQ(doc.readInteger("f", 1), 0);
    EXPECT_EQ(doc.readInteger("g", 1), 5);
    EXPECT_EQ(doc.readInteger("h", 1), -2147483647 - 1);
    EXPECT_EQ(doc.readInteger("fehlt", 1), 1);
}

TEST_F(SettingsDocumentTest, Reads_LookOnlyInTheSelectedGroup) {
    writeBytes(path(), "k = vorne\n[A]\nk = a\n[B]\nk = b\n");
    SettingsDocument doc;
    ASSERT_TRUE(doc.open(path()));
    EXPECT_EQ(doc.readString("k", ""), "vorne");
    doc.selectGroup("B");
    EXPECT_EQ(doc.readString("k", ""), "b");
    doc.selectGroup("C");
    EXPECT_EQ(doc.readString("k", "fehlt"), "fehlt");
    doc.selectGroup("");
    EXPECT_EQ(doc.readString("k", ""), "vorne");
}

TEST_F(SettingsDocumentTest, Writes_PendingGroupIsAppendedAtFirstWrite) {
    writeBytes(path(), "[A]\nk = a\n[B]\nk = b\n");
    SettingsDocument doc;
    ASSERT_TRUE(doc.open(path()));
    doc.selectGroup("Neu");
    EXPECT_EQ(doc.serialized(), Head + "[A]\r\nk = a\r\n[B]\r\nk = b\r\n");
    doc.writeString("x", "1");
    doc.writeString("y", "2");
    doc.selectGroup("A");
    doc.writeString("z", "3");
    doc.writeString("K", "neu");
    EXPECT_EQ(doc.serialized(),
              Head + "[A]\r\nK = neu\r\nz = 3\r\n[B]\r\nk = b\r\n[Neu]\r\nx = 1\r\ny = 2\r\n");
}

TEST_F(SettingsDocumentTest, Writes_KeysBeforeTheFirstGroup) {
    writeBytes(path(), "a = 1\n[A]\nk = a\n");
    SettingsDocument doc;
    ASSERT_TRUE(doc.open(path()));
    doc.writeString("b", "2");
    EXPECT_EQ(doc.serialized(), Head + "a = 1\r\nb = 2\r\n[A]\r\nk = a\r\n");
}

TEST_F(SettingsDocumentTest, AddComment_FollowsTheLastTouchedLine) {
    writeBytes(path(), "[A]\nk = a\nl = b\n[B]\n");
    SettingsDocument doc;
    ASSERT_TRUE(doc.open(path()));
    doc.selectGroup("A");
    doc.addComment("nach Gruppe");
    doc.writeString("k", "x");
    doc.addComment("nach k");
    doc.selectGroup("C");
    doc.addComment("neue Gruppe");
    EXPECT_EQ(doc.serialized(), Head + "[A]\r\n; nach Gruppe\r\nk = x\r\n; nach k\r\nl = b\r\n[B]\r\n"
                                       "[C]\r\n; neue Gruppe\r\n");
}

// Bytes that would split a line, be trimmed or look like no text are written escaped after 0xC0
// and read back as they were, in keys as in values.
TEST_F(SettingsDocumentTest, Writes_EveryByteOfKeysAndValuesReadsBack) {
    const struct {
        QByteArray bytes;
        QByteArray stored;
    } cases[] = {
        {"a\r\nb", "a\xC0\x8D\xC0\x8A"
                   "b"},
        {"\ta b ", "\xC0\x89"
                   "a b\xC0\xA0"},
        {" \x7F\xC0@x", "\xC0\xA0\xC0\xFF\xC0@@x"},
        {"\xC0\x80\xC0", "\xC0@\x80\xC0@"},
    };
    for (const auto& c : cases) {
        const QString text = DecodeFileName(c.bytes);
        SettingsDocument doc;
        ASSERT_TRUE(doc.create(path()));
        doc.selectGroup("G");
        doc.writeString(text, text);
        doc.writeString(text, text); // found again, not added twice
        ASSERT_TRUE(doc.close());
        EXPECT_EQ(readBytes(path()), Head + "[G]\r\n" + c.stored + " = " + c.stored + "\r\n");
        ASSERT_TRUE(doc.open(path()));
        EXPECT_FALSE(doc.hasNonText());
        doc.selectGroup("G");
        EXPECT_EQ(doc.readString(text, "-"), text);
        ASSERT_TRUE(doc.examineKeys());
        ASSERT_TRUE(doc.nextKey());
        EXPECT_EQ(doc.keyName(), text);
        EXPECT_EQ(doc.keyValue(), text);
        doc.abandon();
    }
    // A 0xC0 that starts no escape, as files written before may hold, stays as it is.
    writeBytes(path(), "\xEF\xBB\xBF[G]\r\nk = \xC0x\xC0\r\n");
    SettingsDocument doc;
    ASSERT_TRUE(doc.open(path()));
    doc.selectGroup("G");
    EXPECT_EQ(doc.readString("k", ""), DecodeFileName(QByteArray("\xC0x\xC0")));
}

TEST_F(SettingsDocumentTest, ExamineKeys_WalksKeysOfTheGroupOnly) {
    writeBytes(path(), "[Sets]\n; Kommentar\nEins = 1\nZwei=  2  \n[Weiter]\nDrei = 3\n");
    SettingsDocument doc;
    ASSERT_TRUE(doc.open(path()));
    doc.selectGroup("Fehlt");
    EXPECT_FALSE(doc.examineKeys());
    doc.selectGroup("sets");
    ASSERT_TRUE(doc.examineKeys());
    QStringList seen;
    while (doc.nextKey())
        seen << doc.keyName() + ":" + doc.keyValue();
    EXPECT_EQ(seen, QStringList({"Eins:1", "Zwei:2"}));
}

TEST_F(SettingsDocumentTest, ExamineKeys_EmptyGroupHasNoKeys) {
    writeBytes(path(), "[Sets]\n[Andere]\nk = 1\n");
    SettingsDocument doc;
    ASSERT_TRUE(doc.open(path()));
    doc.selectGroup("Sets");
    ASSERT_TRUE(doc.examineKeys());
    EXPECT_FALSE(doc.nextKey());
}

TEST_F(SettingsDocumentTest, Remove_KeyAndWholeGroup) {
    writeBytes(path(), "[Sets]\nA = 1\nB = 1\n[Set_A]\nSrc = x\n; c\n[Set_B]\nSrc = y\n");
    SettingsDocument doc;
    ASSERT_TRUE(doc.open(path()));
    doc.selectGroup("Sets");
    doc.removeKey("a");
    doc.removeGroup("SET_A");
    doc.removeKey("fehlt");
    doc.removeGroup("Set_fehlt");
    ASSERT_TRUE(doc.close());
    EXPECT_EQ(readBytes(path()), Head + "[Sets]\r\nB = 1\r\n[Set_B]\r\nSrc = y\r\n");
}

TEST_F(SettingsDocumentTest, Remove_SelectedGroupIsCreatedAnewByTheNextWrite) {
    writeBytes(path(), "[A]\nk = 1\n[B]\nk = 2\n");
    SettingsDocument doc;
    ASSERT_TRUE(doc.open(path()));
    doc.selectGroup("A");
    doc.removeGroup("A");
    EXPECT_EQ(doc.readInteger("k", 9), 9);
    doc.writeInteger("k", 3);
    EXPECT_EQ(doc.serialized(), Head + "[B]\r\nk = 2\r\n[A]\r\nk = 3\r\n");
}

TEST_F(SettingsDocumentTest, Close_WithoutChangesDoesNotRewrite) {
    const QByteArray original("[G]\nk=1\n");
    writeBytes(path(), original);
    SettingsDocument doc;
    ASSERT_TRUE(doc.open(path()));
    doc.selectGroup("G");
    EXPECT_EQ(doc.readInteger("k", 0), 1);
    ASSERT_TRUE(doc.close());
    EXPECT_EQ(readBytes(path()), original);
}

TEST_F(SettingsDocumentTest, ReadOnlyFile_IsReadButNeverWritten) {
    PermissionBitsApply permissions;
    if (!permissions.active())
        GTEST_SKIP() << "permission bits cannot be made to apply here";
    const QByteArray original("[G]\nk = 1\n");
    writeBytes(path(), original);
    ASSERT_EQ(chmod(QFile::encodeName(path()).constData(), 0444), 0);
    SettingsDocument doc;
    ASSERT_TRUE(doc.open(path()));
    EXPECT_TRUE(doc.isReadOnly());
    doc.selectGroup("G");
    EXPECT_EQ(doc.readInteger("k", 0), 1);
    doc.writeInteger("k", 2);
    doc.close();
    EXPECT_EQ(readBytes(path()), original);
}

// A folder that takes no temporary file: the writable file is rewritten in place, longer and
// shorter, and keeps its inode.
TEST_F(SettingsDocumentTest, FolderNotWritable_FileIsWrittenInPlace) {
    PermissionBitsApply permissions;
    if (!permissions.active())
        GTEST_SKIP() << "permission bits cannot be made to apply here";
    writeBytes(path(), "[G]\nk = 1\n; " + QByteArray(300, 'x') + "\n");
    struct stat before {};
    ASSERT_EQ(stat(QFile::encodeName(path()).constData(), &before), 0);
    const QByteArray folder = QFile::encodeName(dir.path());
    ASSERT_EQ(chmod(folder.constData(), 0555), 0);
    for (const QByteArray& value : {QByteArray("2"), QByteArray(1000, 'y'), QByteArray("3")}) {
        SettingsDocument doc;
        ASSERT_TRUE(doc.open(path()));
        doc.selectGroup("G");
        doc.writeString("k", value);
        const QByteArray expected = doc.serialized();
        EXPECT_TRUE(doc.close());
        EXPECT_EQ(readBytes(path()), expected);
    }
    chmod(folder.constData(), 0755);
    struct stat after {};
    ASSERT_EQ(stat(QFile::encodeName(path()).constData(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList("Tandrix.ini"));
}

TEST_F(SettingsDocumentTest, DamagedFiles_LoadWithoutCrash) {
    QByteArray binary;
    for (int i = 0; i < 70000; ++i)
        binary += char((i * 7919 + 13) % 256);
    QByteArray nuls("[G]\nk = a\0b\n\0\0\0\n[H\0]\nm = 5\n", 27);
    QByteArray longLine = "[G]\nk = " + QByteArray(4 * 1024 * 1024, 'x') + "\nm = 5\n";
    QByteArray noBreaks = "[G] k = 1 m = 5" + QByteArray(100000, ' ');
    QByteArray onlyBom("\xEF\xBB\xBF");
    QByteArray shortBom("\xEF\xBB");
    for (const QByteArray& bytes : {binary, nuls, longLine, noBreaks, onlyBom, shortBom}) {
        writeBytes(path(), bytes);
        SettingsDocument doc;
        ASSERT_TRUE(doc.open(path()));
        doc.selectGroup("Fehlt");
        EXPECT_EQ(doc.readInteger("m", 77), 77);
        doc.selectGroup("G");
        doc.writeInteger("neu", 1);
        EXPECT_TRUE(doc.serialized().startsWith(Head));
        EXPECT_TRUE(doc.close());
    }
    writeBytes(path(), longLine);
    SettingsDocument doc;
    ASSERT_TRUE(doc.open(path()));
    doc.selectGroup("G");
    EXPECT_EQ(doc.readString("k", "").size(), 4 * 1024 * 1024);
    EXPECT_EQ(doc.readInteger("m", 0), 5);
    writeBytes(path(), nuls);
    ASSERT_TRUE(doc.open(path()));
    doc.selectGroup("G");
    EXPECT_EQ(doc.readString("k", ""), QString::fromUtf8("a\0b", 3));
}

} // namespace
