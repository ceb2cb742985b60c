// The users of Dostup.dat and the log-in decision.
#include "access.h"

#include <QtTest>

namespace
{

bool writeBytes(const QString &path, const QByteArray &b)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(b) == b.size();
}

User user(const QString &parol, const QString &dostup)
{
    return {QStringLiteral("01"), "Fio", parol, dostup};
}

} // namespace

class TestAccess : public QObject
{
    Q_OBJECT
private slots:
    void dayNumbers_data();
    void dayNumbers();
    void newFileHoldsTheFourDefaultUsers();
    void existingFileIsNotReplaced();
    void atMostTenUsers();
    void nothingTypedIsNoAttempt();
    void login_data();
    void login();
};

void TestAccess::dayNumbers_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<double>("day");
    QTest::newRow("day zero") << QDate(1899, 12, 30) << 0.0;
    QTest::newRow("1900-01-01") << QDate(1900, 1, 1) << 2.0;
    QTest::newRow("2000-02-29") << QDate(2000, 2, 29) << 36585.0;
    QTest::newRow("2024-01-01") << QDate(2024, 1, 1) << 45292.0;
}

void TestAccess::dayNumbers()
{
    QFETCH(QDate, date);
    QFETCH(double, day);
    QCOMPARE(dayNumberOf(date), day);
    QCOMPARE(dateOfDayNumber(day), date);
    QCOMPARE(dateOfDayNumber(day + 0.75), date); // a time of day does not change the date
    QVERIFY(!dateOfDayNumber(qQNaN()).isValid());
}

void TestAccess::newFileHoldsTheFourDefaultUsers()
{
    QTemporaryDir dir;
    const RecordFile dostup(dir.filePath("Dostup.dat"), DostupRec::Size);
    const QDate today(2024, 1, 1);
    const auto users = loadUsers(dostup, today);

    QFile f(dostup.path());
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray all = f.readAll();
    QCOMPARE(all.size(), 4 * 48);
    const QStringList names{QStringLiteral("Администратор"), QStringLiteral("Пользователь 1"),
                            QStringLiteral("Пользователь 2"), QStringLiteral("Пользователь 3")};
    QSet<QString> passwords;
    for (int i = 0; i < 4; ++i) {
        const QByteArray raw = all.mid(i * 48, 48);
        const DostupRec r = DostupRec::decode(raw);
        QCOMPARE(r.Kod, QStringLiteral("0%1").arg(i + 1));
        QCOMPARE(r.Fio, names[i]);
        QCOMPARE(r.Dostup, i == 0 ? QStringLiteral("Z") : QStringLiteral("W"));
        QCOMPARE(raw.mid(8, 8), QByteArray("\x00\x00\x00\x00\x80\x1D\xE6\x40", 8)); // 45292.0
        QCOMPARE(raw.mid(3, 5), QByteArray(5, '\0'));
        QCOMPARE(raw.mid(46, 2), QByteArray(2, '\0'));
        QCOMPARE(r.ParolPolz.size(), 6);
        for (QChar c : r.ParolPolz)
            QVERIFY(c.isDigit());
        passwords.insert(r.ParolPolz);

        QCOMPARE(users[i].kod, r.Kod);
        QCOMPARE(users[i].fio, r.Fio);
        QCOMPARE(users[i].parol, r.ParolPolz);
        QCOMPARE(users[i].dostup, r.Dostup);
    }
    QCOMPARE(DostupRec::decode(all.left(48)).ParolPolz, QStringLiteral("470259"));
    QCOMPARE(passwords.size(), 4);

    const LoginResult admin = decideLogin(users, QStringLiteral("470259"));
    QCOMPARE(int(admin.outcome), int(LoginOutcome::Granted));
    QCOMPARE(admin.letter, QStringLiteral("Z"));
    QCOMPARE(admin.row, 0);
    for (int i = 1; i < 4; ++i)
        QCOMPARE(decideLogin(users, users[i].parol).letter, QStringLiteral("W"));
}

void TestAccess::existingFileIsNotReplaced()
{
    // A table saved without any user stays empty: no password is known any more.
    QTemporaryDir dir;
    const RecordFile dostup(dir.filePath("Dostup.dat"), DostupRec::Size);
    QVERIFY(writeBytes(dostup.path(), {}));
    const auto users = loadUsers(dostup, QDate(2024, 1, 1));
    QVERIFY(users.empty());
    QCOMPARE(QFileInfo(dostup.path()).size(), 0);
    QCOMPARE(int(decideLogin(users, QStringLiteral("470259")).outcome), int(LoginOutcome::Unknown));
}

void TestAccess::atMostTenUsers()
{
    QTemporaryDir dir;
    const RecordFile dostup(dir.filePath("Dostup.dat"), DostupRec::Size);
    std::vector<DostupRec> recs;
    for (int i = 1; i <= 12; ++i)
        recs.push_back({QString::number(i), 45292, QStringLiteral("User %1").arg(i),
                        QStringLiteral("1000%1").arg(i, 2, 10, QLatin1Char('0')), "W"});
    dostup.rewrite(recs);
    const auto users = loadUsers(dostup, QDate(2024, 1, 1));
    QCOMPARE(users.size(), size_t(10));
    for (int i = 0; i < 10; ++i)
        QCOMPARE(users[i].kod, QString::number(i + 1));
    QCOMPARE(int(decideLogin(users, QStringLiteral("100011")).outcome), int(LoginOutcome::Unknown));
    QCOMPARE(dostup.count(), 12);
}

void TestAccess::nothingTypedIsNoAttempt()
{
    // An empty box is no wrong password: nothing is decided, nobody is shut
    // out. A user whose password is empty still gets in with it (login_data).
    QTemporaryDir dir;
    const auto users = loadUsers(RecordFile(dir.filePath("Dostup.dat"), DostupRec::Size), QDate(2024, 1, 1));
    for (const char *typed : {"", "   ", "\t"})
        QCOMPARE(int(decideLogin(users, QString::fromLatin1(typed)).outcome), int(LoginOutcome::Nothing));
    QCOMPARE(int(decideLogin(users, QStringLiteral("000000")).outcome), int(LoginOutcome::Unknown));
}

void TestAccess::login_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("letter");
    QTest::addColumn<int>("row");
    const int granted = int(LoginOutcome::Granted), closed = int(LoginOutcome::Closed),
              unknown = int(LoginOutcome::Unknown);
    QTest::newRow("administrator") << "470259" << granted << "Z" << 0;
    QTest::newRow("seven characters, first six match") << "4702598" << granted << "Z" << 0;
    QTest::newRow("blank after the six") << "470259 " << granted << "Z" << 0;
    QTest::newRow("cut to six before trimming") << " 470259" << unknown << "" << -1;
    QTest::newRow("five of six") << "47025" << unknown << "" << -1;
    QTest::newRow("same password: the earlier row") << "111111" << granted << "W" << 1;
    QTest::newRow("stored password trimmed") << "33333" << granted << "W" << 3;
    QTest::newRow("empty typed matches an empty password") << "" << granted << "W" << 4;
    QTest::newRow("blanks typed match it too") << "   " << granted << "W" << 4;
    QTest::newRow("letter X") << "444444" << closed << "X" << 5;
    QTest::newRow("empty letter") << "555555" << closed << "" << 6;
    QTest::newRow("letter with blanks") << "666666" << granted << "W" << 7;
    QTest::newRow("lower-case z") << "777777" << closed << "z" << 8;
    QTest::newRow("unknown") << "999999" << unknown << "" << -1;
}

void TestAccess::login()
{
    QFETCH(QString, typed);
    QFETCH(int, outcome);
    QFETCH(QString, letter);
    QFETCH(int, row);
    const std::vector<User> users{
        user("470259", "Z"), user("111111", "W"), user("111111", "Z"),   user(" 33333", "W"), user("", "W"),
        user("444444", "X"), user("555555", ""),  user("666666", " W "), user("777777", "z"),
    };
    const LoginResult r = decideLogin(users, typed);
    QCOMPARE(int(r.outcome), outcome);
    QCOMPARE(r.row, row);
    if (r.outcome != LoginOutcome::Unknown)
        QCOMPARE(r.letter, letter);
}

QTEST_GUILESS_MAIN(TestAccess)
#include "test_access.moc"
