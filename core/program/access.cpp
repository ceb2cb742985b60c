#include "access.h"
#include "errors.h"
#include "text.h"

namespace
{
const QDate dayZero(1899, 12, 30);
}

double dayNumberOf(const QDate &d)
{
    return double(dayZero.daysTo(d));
}

QDate dateOfDayNumber(double day)
{
    if (!(day > -1e7 && day < 1e7)) // also catches NaN: no date the program could show
        return {};
    return dayZero.addDays(qint64(day));
}

std::vector<DostupRec> defaultUsers(const QDate &d)
{
    const double day = dayNumberOf(d);
    return {
        {QStringLiteral("01"), day, QStringLiteral("Администратор"), DefaultAdminPassword, QStringLiteral("Z")},
        {QStringLiteral("02"), day, QStringLiteral("Пользователь 1"), QStringLiteral("318642"), QStringLiteral("W")},
        {QStringLiteral("03"), day, QStringLiteral("Пользователь 2"), QStringLiteral("529073"), QStringLiteral("W")},
        {QStringLiteral("04"), day, QStringLiteral("Пользователь 3"), QStringLiteral("604815"), QStringLiteral("W")},
    };
}

std::vector<User> loadUsers(const RecordFile &dostup, const QDate &today)
{
    if (!dostup.exists())
        dostup.rewrite(defaultUsers(today));
    std::vector<User> users;
    for (const DostupRec &r : dostup.readAll<DostupRec>()) {
        if (users.size() == MaxUsers)
            break;
        users.push_back({r.Kod, r.Fio, r.ParolPolz, r.Dostup});
    }
    return users;
}

LoginResult decideLogin(const std::vector<User> &users, const QString &typed)
{
    const QString password = trimmed(typed.left(6));
    for (size_t i = 0; i < users.size(); ++i) {
        if (trimmed(users[i].parol) != password)
            continue;
        const QString letter = trimmed(users[i].dostup).left(1);
        const bool known = letter == u"Z" || letter == u"W";
        return {known ? LoginOutcome::Granted : LoginOutcome::Closed, letter, int(i)};
    }
    return {password.isEmpty() ? LoginOutcome::Nothing : LoginOutcome::Unknown, {}, -1};
}

bool keepsShippedPassword(const User &user)
{
    return isAdmin(trimmed(user.dostup).left(1)) && trimmed(user.parol) == DefaultAdminPassword;
}

std::vector<DostupRec> usersFromRows(const std::vector<QStringList> &rows,
                                     const std::function<QDate(const QString &)> &readDate)
{
    std::vector<DostupRec> out;
    for (const QStringList &c : rows) {
        if (trimmed(c.value(0)).isEmpty())
            continue;
        const QDate d = readDate(c.value(1));
        if (!d.isValid())
            throw TrivoError(QStringLiteral("Не удалось прочитать дату «%1»").arg(c.value(1)));
        out.push_back(
            {c.value(0).left(2), dayNumberOf(d), c.value(2).left(20), c.value(3).left(6), c.value(4).left(1)});
    }
    return out;
}
