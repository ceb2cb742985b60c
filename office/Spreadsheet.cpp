#include "Spreadsheet.h"
#include "textfile.h"

#include <QStandardPaths>

namespace
{
constexpr int lineLimit = 250;
}

QStringList topicListLines(const std::vector<QStringList> &rows)
{
    QStringList lines;
    lines.reserve(qsizetype(rows.size()));
    for (const QStringList &row : rows) {
        QString line;
        for (QString cell : row) {
            cell.replace(QLatin1String("\r\n"), QLatin1String(" ")).replace(u'\r', u' ').replace(u'\n', u' ');
            line += cell;
            line += u';';
        }
        lines << line.left(lineLimit);
    }
    return lines;
}

void writeTopicList(const QString &path, const std::vector<QStringList> &rows)
{
    writeCp1251Lines(path, topicListLines(rows));
}

QString semicolonFilterOption()
{
    return QStringLiteral("--infilter=Text - txt - csv (StarCalc):59,34,34,1,,1049");
}

QString findSpreadsheetProgram()
{
    for (const char *name : {"soffice", "libreoffice"}) {
        const QString found = QStandardPaths::findExecutable(QLatin1String(name));
        if (!found.isEmpty())
            return found;
    }
    return {};
}

bool keepsSpreadsheetConnection(const QString &officeVersion)
{
    return officeVersion.left(4) == QLatin1String("2003");
}

bool SpreadsheetHandOff::open(const QString &path, const QString &officeVersion)
{
    if (!keepsSpreadsheetConnection(officeVersion))
        m_program.reset();
    if (!m_program)
        m_program = findSpreadsheetProgram();
    if (!m_program->isEmpty() && m_hooks.start(*m_program, {QStringLiteral("--calc"), semicolonFilterOption(), path}))
        return true;
    if (m_hooks.open(path))
        return true;
    // Neither a spreadsheet program nor any other took the file: say where it is.
    m_hooks.notOpened(path);
    return false;
}
