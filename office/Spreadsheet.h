#pragma once
#include "DesktopHooks.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// Handing a semicolon-separated cp1251 text file (the topic list L_Excel.txt)
// to the spreadsheet program for viewing and printing.

// The lines of the topic list: each cell followed by ";", each line cut to its
// first 250 characters. A line end inside a cell would split the row, so it
// becomes a blank.
QStringList topicListLines(const std::vector<QStringList> &rows);
// Writes those lines to path in cp1251 with CR LF, replacing an earlier file in
// one step; throws TrivoError when it cannot.
void writeTopicList(const QString &path, const std::vector<QStringList> &rows);

// The import filter that makes the spreadsheet read the file as semicolon
// separated (59), quoted with '"' (34), in Windows-1251 (34), from row 1, Russian (1049).
QString semicolonFilterOption();
// The spreadsheet program found on PATH (soffice, else libreoffice); empty when none.
QString findSpreadsheetProgram();
// True when the Office version setting says the connection to the spreadsheet
// program is kept between hand-offs: its first four characters are exactly "2003".
bool keepsSpreadsheetConnection(const QString &officeVersion);

class SpreadsheetHandOff
{
public:
    explicit SpreadsheetHandOff(DesktopHooks hooks) : m_hooks(std::move(hooks)) {}

    // Opens path in the spreadsheet program with the filter above, or, when there
    // is none or it cannot be started, with the associated program. Returns false
    // after telling the hooks where the file lies when neither works.
    //
    // The "connection" here is the spreadsheet program once found on PATH: kept
    // for the next hand-off with the "2003" setting, looked up anew otherwise.
    bool open(const QString &path, const QString &officeVersion);

private:
    DesktopHooks m_hooks;
    std::optional<QString> m_program;
};
