#pragma once
// Runs trivo-bank as the authors and the build run it.
#include <QProcess>
#include <QStringList>

struct ToolRun {
    int exitCode = -1; // -1: did not finish normally
    QByteArray out, err;
};

inline ToolRun runTrivoBank(const QStringList &args, const QByteArray &input = {})
{
    QProcess p;
    p.start(QStringLiteral(TRIVO_BANK), args);
    ToolRun r;
    if (!p.waitForStarted(30000))
        return r;
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}
