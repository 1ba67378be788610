#pragma once

#include <QByteArray>
#include <QString>

// The path a chain of symbolic links finally leads to, a relative target taken from its link's
// folder; the path itself when it is no link. Empty for a loop or a chain too long to follow.
QString FinalLinkTarget(const QString& path);

// Gives the file at `path` (at the end of its links, so a link stays a link) exactly `data`.
// Where the target's folder takes a temporary file: written there, flushed, renamed over the
// target, the folder flushed. Where it does not but the file itself can be written: in place,
// room for the new bytes taken first, then written, flushed, read back from the disk and
// compared, and only then cut to their length; on any failure the old bytes are written back.
// An existing file keeps its permission bits. False when the file did not get the new contents.
bool ReplaceFileContents(const QString& path, const QByteArray& data);

// Keeps `bytes` in a new file beside `path`, flushed to the disk: "<path>.bak", or
// "<path>.1.bak", "<path>.2.bak", ... without limit while those hold other bytes. A backup already
// holding these very bytes is taken as it is. The backup's path, or empty when one could not be
// written for another reason than its name being taken.
QString KeepBackupBeside(const QString& path, const QByteArray& bytes);
