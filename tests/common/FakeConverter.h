#pragma once
// A stand-in for the office converter: a shell script called as the real one
// is (... --outdir OUT INPUT). It keeps its arguments, one a line, in
// <script>.args, runs body, and then writes text as OUT/<input name>.txt.
// A body that exits early writes nothing.
#include <QByteArray>
#include <QFile>
#include <QString>

inline bool writeFakeConverter(const QString &script, const QByteArray &body, const QByteArray &text)
{
    QFile t(script + QStringLiteral(".text"));
    if (!t.open(QIODevice::WriteOnly) || t.write(text) != text.size())
        return false;
    t.close();
    QFile f(script);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write("#!/bin/sh\n"
            "printf '%s\\n' \"$@\" > \"$0.args\"\n"
            "prev=; for a in \"$@\"; do [ \"$prev\" = --outdir ] && out=$a; prev=$a; in=$a; done\n");
    f.write(body + "\n");
    f.write("mkdir -p \"$out\" && name=$(basename \"$in\") && cp \"$0.text\" \"$out/${name%.*}.txt\"\n");
    f.close();
    return f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
