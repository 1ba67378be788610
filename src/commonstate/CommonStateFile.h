#pragma once

#include "commonstate/CommonState.h"

#include <QByteArray>
#include <QString>
#include <optional>

// The name of the file that keeps the common state of a key; one file per key.
QString CommonStateFileName(const StateKey& key);

// The state as the bytes of its file: a mark and a version, then the key and the files,
// compressed. Paths are kept as the names' bytes.
QByteArray SerializeCommonState(const CommonState& state);
// The state held in `bytes` when they are a whole state file of this version and of `key`.
std::optional<CommonState> ParseCommonState(const QByteArray& bytes, const StateKey& key);

// The state kept in `folder` for `key`; an empty state of that key when there is none, or when
// the file is damaged or belongs to something else. Where no file of the key exists, the file of
// the same host name without machine id is read (marked `oldKey`).
CommonState LoadCommonState(const QString& folder, const StateKey& key);
// Replaces the state's file in `folder` as a whole (the folder is made when missing); false when
// it cannot be written, the old file then stays as it was, and `reason` says why.
bool SaveCommonState(const QString& folder, const CommonState& state, QString* reason = nullptr);

// Whether the state of `key` can be saved in `folder` now (a file can be made there, or the
// state's own file written in place); `reason` says why not.
bool CanSaveCommonState(const QString& folder, const StateKey& key, QString* reason);
