#pragma once
#include <QString>
#include <QStringList>
#include <vector>

// The test protocol as the run writes it: plain entries that a document
// writer turns into the word-processor document, in this order.
struct ProtocolEntry {
    enum class Kind {
        Question, // a new paragraph "N. question text"
        Answer,   // an answer line, in a new paragraph or right after the text before it
        Table,    // a table of answer cells, placed before the last paragraph mark
        Summary,  // the closing table with borders, then the signature line
    };
    explicit ProtocolEntry(Kind k, QString t = {}) : kind(k), text(std::move(t)) {}
    Kind kind;
    QString text;
    bool newParagraph = true;       // Answer
    bool bold = true;               // Answer: a line of a wrong option is plain
    std::vector<double> widths;     // Table: column widths in points
    std::vector<QStringList> cells; // Table and Summary, row by row
};

// The signature line under the summary.
inline const QString &protocolSignatureLine()
{
    static const QString t = QStringLiteral("Подписи: Преподаватель ________________________   "
                                            "Аттестуемый ______________________ ");
    return t;
}
