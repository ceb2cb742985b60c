#include "questionfiles.h"
#include "errors.h"
#include "text.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace
{
// A text box lays out a paragraph whole: one line of a mebibyte takes it
// minutes. Lines longer than this are broken, at a blank where there is one.
constexpr qsizetype LongestLine = 1000;

QString withShortLines(const QString &text)
{
    QString out;
    out.reserve(text.size() + text.size() / LongestLine);
    qsizetype lineStart = 0, lastBlank = -1;
    for (const QChar c : text) {
        out += c;
        if (c == u'\n') {
            lineStart = out.size();
            lastBlank = -1;
        } else if (c == u' ') {
            lastBlank = out.size() - 1;
        } else if (out.size() - lineStart >= LongestLine) {
            if (lastBlank > lineStart) {
                out[lastBlank] = u'\n';
                lineStart = lastBlank + 1;
            } else {
                out += u'\n';
                lineStart = out.size();
            }
            lastBlank = -1;
        }
    }
    return out;
}
} // namespace

std::optional<QString> explanationFileName(const QString &questionText)
{
    const qsizetype at = questionText.indexOf(QStringLiteral("File#"));
    if (at < 0)
        return std::nullopt;
    const QString after = questionText.mid(at + 5, 20);
    const qsizetype hash = after.indexOf(u'#');
    return hash >= 0 ? after.left(hash) : QString();
}

QString readExplanation(const QString &path, qint64 limit)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw TrivoError(cannotReadText(QFileInfo(path).fileName(), f.errorString()));
    const QByteArray head = f.read(limit);
    if (f.error() != QFileDevice::NoError)
        throw TrivoError(cannotReadText(QFileInfo(path).fileName(), f.errorString()));
    QString text = withShortLines(fromCp1251(head));
    if (!f.atEnd() || f.size() > limit)
        text += QStringLiteral("\n\n[Текст обрезан: показаны первые %1 КБ из %2 КБ файла.]")
                    .arg(limit / 1024)
                    .arg((f.size() + 1023) / 1024);
    return text;
}

bool mayOpenFromBank(const QString &path)
{
    static const QSet<QString> kinds = {QStringLiteral("txt"),  QStringLiteral("rtf"),  QStringLiteral("doc"),
                                        QStringLiteral("docx"), QStringLiteral("odt"),  QStringLiteral("pdf"),
                                        QStringLiteral("htm"),  QStringLiteral("html"), QStringLiteral("gif"),
                                        QStringLiteral("png"),  QStringLiteral("jpg"),  QStringLiteral("jpeg"),
                                        QStringLiteral("bmp")};
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > 0 && kinds.contains(name.mid(dot + 1).toLower());
}

QString refusedToOpenText(const QString &path)
{
    return QStringLiteral("Файл «%1» не открыт: из банка вопросов открываются только документы (txt, rtf, doc, "
                          "docx, odt, pdf, htm, html) и рисунки (gif, png, jpg, jpeg, bmp).")
        .arg(QFileInfo(path).fileName());
}
