#pragma once

#include "support/TreeBuilder.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

// A file's bytes, or "<missing>" when it cannot be read.
inline QByteArray readBytes(const QString& path) {
    return ReadFileBytes(path).value_or("<missing>");
}

inline void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}
