#include "banktables.h"

BankTables::BankTables()
{
    const QStringList answerCols{QStringLiteral("Predm"), QStringLiteral("Tema"), QStringLiteral("Test"),
                                 QStringLiteral("Wopr"),  QStringLiteral("Otwe"), QStringLiteral("Kod_P"),
                                 QStringLiteral("Nazwan")};
    RazdelTab.setHeaders({QStringLiteral("Predm"), QStringLiteral("Test"), QStringLiteral("Nazwan")});
    TemaTabl.setHeaders({QStringLiteral("Predm"), QStringLiteral("Tema"), QStringLiteral("Nazwan")});
    WopTabl.setHeaders({QStringLiteral("Predm"), QStringLiteral("Tema"), QStringLiteral("Test"), QStringLiteral("Wopr"),
                        QStringLiteral("Nazwan"), QStringLiteral("Porad"), QStringLiteral("Ball"),
                        QStringLiteral("S_Kod")});
    OtwTabl.setHeaders(answerCols);
    IzTXT.setHeaders(answerCols);
}

BankTables &tables()
{
    static BankTables t;
    return t;
}
