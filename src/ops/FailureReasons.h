#pragma once

#include <QString>

// A reason the operations find themselves: the path runs through a symbolic link below the root.
constexpr int PathThroughLink = -100;
// No trash can be had on the entry's file system, and the user chose to leave such entries.
constexpr int NoTrash = -101;
// The medium is full while its trash keeps the old versions, and the user chose to leave the rows.
constexpr int NoRoomForTrash = -102;

// What an operation tried on a row, for the words of its failure.
enum class Attempt { Copy, CopyLink, Delete, Redate };

// The tool tip of a row an operation could not carry out: what was not done and why, in German.
// `error` is an errno value or a FileError. A name taken on the destination is looked into: the
// same name of the other kind, or a name that differs only in letter case on a file system that
// does not tell them apart.
QString FailureText(Attempt attempt, int error, const QString& destination = QString());

// Why a row could not be carried out, for a reason the operation knows itself.
QString FailureText(Attempt attempt, const QString& reason);
