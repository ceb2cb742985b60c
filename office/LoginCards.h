#pragma once
#include <QByteArray>
#include <QString>
#include <vector>

class WordDocument;

// «Карточки для входа»: a card for each pupil with the name, the class and
// the personal code, to be cut apart and handed out. The cards stand two in
// a row, five rows to a page, their borders being the lines to cut along.
// The cards of a class (a run of them in the order given) start a page of
// their own, so that each class's pages go to its teacher.

struct LoginCard {
    QString fio, className, code;
};

inline constexpr int loginCardColumns = 2, loginCardRows = 5;
inline constexpr int loginCardsPerPage = loginCardColumns * loginCardRows;

// The cards as a word-processor document: the title, then a table for each
// class with a card in each cell.
void fillLoginCards(WordDocument &doc, const QString &title, const std::vector<LoginCard> &cards);
// The same cards drawn on A4 pages of a PDF file (a class of n pupils takes
// ceil(n / 10) pages; one page for none); throws TrivoError when it cannot be drawn.
QByteArray loginCardsPdf(const QString &title, const std::vector<LoginCard> &cards);

struct LoginCardFiles {
    QString docx, pdf;
};
// A file name for the cards of a class or of the school («Карточки_9Б»).
QString loginCardsFileBase(const QString &forWhom);
// Writes both, as base.docx and base.pdf (base_2 … when the name is taken:
// a file is never replaced), into folder; throws TrivoError with the reason.
LoginCardFiles writeLoginCards(const QString &folder, const QString &base, const QString &forWhom,
                               const std::vector<LoginCard> &cards);
