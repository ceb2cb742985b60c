#pragma once
// The sample import files that a new installation holds, read from the
// source tree so that the tests check the very files we ship.
#include <QDir>
#include <QFileInfo>
#include <QString>

inline QString sampleFile(const QString &name)
{
    // This header lives in tests/common; the samples in dist/Baza.
    const QDir here = QFileInfo(QStringLiteral(__FILE__)).absoluteDir();
    return QDir::cleanPath(here.absoluteFilePath(QStringLiteral("../../dist/Baza/") + name));
}
