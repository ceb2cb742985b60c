#pragma once
#include "recordfile.h"
#include "records.h"

#include <QDate>
#include <QStringList>
#include <functional>
#include <vector>

// The users of Baza/Dostup.dat and the log-in decision.

struct User {
    QString kod, fio, parol, dostup;
};

constexpr int MaxUsers = 10;
inline const QString DefaultAdminPassword = QStringLiteral("470259");

// Day numbers of DostupRec.Data: whole days since 1899-12-30.
double dayNumberOf(const QDate &d);
QDate dateOfDayNumber(double day);

// The four users of a new installation, dated d.
std::vector<DostupRec> defaultUsers(const QDate &d);

// Creates the file with the default users when it is missing, then loads at
// most MaxUsers rows in file order.
std::vector<User> loadUsers(const RecordFile &dostup, const QDate &today);

enum class LoginOutcome {
    Unknown, // no user has this password: "Что-то я Вас не припоминаю"
    Closed,  // the user's letter is neither Z nor W: "Вам доступ закрыт"
    Granted,
    Nothing, // nothing typed, and no user has an empty password: no log-in is tried
};

struct LoginResult {
    LoginOutcome outcome = LoginOutcome::Unknown;
    QString letter; // KodDostupa when granted (or the refused letter)
    int row = -1;   // index of the user in the table
};

// The first six characters of the typed text, trimmed, compared exactly with
// each user's trimmed password; the first equal row wins. An empty text that
// matches nobody is no attempt at all: it must not end the program as a
// wrong password does.
LoginResult decideLogin(const std::vector<User> &users, const QString &typed);

inline bool isAdmin(const QString &kodDostupa)
{
    return kodDostupa == u"Z";
}

// Whether the user is an administrator whose password is still the one a new
// installation ships with, known to anyone who has read its help.
bool keepsShippedPassword(const User &user);

// Grid rows (code, date, name, password, letter) -> records to store: rows with
// an empty trimmed code are skipped; the other cells are cut to their fields.
// Every date is read before anything is returned, so a bad date stores nothing:
// readDate returns an invalid date for a text it cannot read, which raises
// "Не удалось прочитать дату «%s»".
std::vector<DostupRec> usersFromRows(const std::vector<QStringList> &rows,
                                     const std::function<QDate(const QString &)> &readDate);
