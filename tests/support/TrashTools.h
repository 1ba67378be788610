#pragma once

#include <QByteArrayList>
#include <QString>
#include <QTemporaryDir>

// The desktop's own view of the trash, through trash-cli (the tools file managers agree with):
// the original paths of every entry in the trashes of $XDG_DATA_HOME and of the mounted file
// systems, byte for byte.
QByteArrayList TrashListed();
// Restores the trash entry that came from `path` with trash-restore; false where it found none.
bool TrashRestore(const QString& path);
// Whether trash-cli is there; a test that needs it skips otherwise.
bool HaveTrashCli();

// A small tmpfs of its own (a file system other than the home's), mounted in a temporary folder
// while the object lives; needs root. `path()` ends with "/".
class OtherFileSystem {
public:
    explicit OtherFileSystem(const char* size = "4m");
    ~OtherFileSystem();
    OtherFileSystem(const OtherFileSystem&) = delete;
    OtherFileSystem& operator=(const OtherFileSystem&) = delete;
    bool ok() const { return mounted; }
    QString path() const { return dir.path() + "/"; }

private:
    QTemporaryDir dir;
    bool mounted = false;
};
