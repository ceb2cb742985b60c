// trivo-bank check FOLDER [--json]: the bank checker for authors and their scripts.
#include "bankcheck.h"
#include "errors.h"
#include "text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <cstdio>

namespace
{

bool write(const QByteArray &bytes)
{
    return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size()) &&
           std::fflush(stdout) == 0;
}

QByteArray asJson(const std::vector<BankFinding> &findings)
{
    QJsonArray all;
    for (const BankFinding &f : findings)
        all.append(QJsonObject{{QStringLiteral("file"), f.file},
                               {QStringLiteral("record"), f.record},
                               {QStringLiteral("key"), f.key},
                               {QStringLiteral("message"), f.message}});
    return QJsonDocument(all).toJson(QJsonDocument::Indented);
}

QByteArray asLines(const std::vector<BankFinding> &findings)
{
    QByteArray out;
    for (const BankFinding &f : findings)
        out += findingLine(f).toUtf8() + '\n';
    return out;
}

} // namespace

// Exit status 0 for a clean bank, 1 with findings, 2 when the folder cannot be
// read (or the arguments are wrong).
int checkCommand(const QStringList &args)
{
    const bool json = args.contains(QStringLiteral("--json"));
    QStringList rest = args;
    rest.removeAll(QStringLiteral("--json"));
    if (rest.size() != 1) {
        std::fputs("usage: trivo-bank check FOLDER [--json]\n", stderr);
        return 2;
    }
    if (!cp1251Available()) {
        std::fputs("trivo-bank: нет преобразователя текста windows-1251\n", stderr);
        return 2;
    }
    std::vector<BankFinding> findings;
    try {
        findings = checkBank(rest.first());
    } catch (const TrivoError &e) {
        std::fprintf(stderr, "trivo-bank: %s\n", qUtf8Printable(e.text()));
        return 2;
    }
    if (!write(json ? asJson(findings) : asLines(findings))) {
        std::fputs("trivo-bank: не удалось записать вывод\n", stderr);
        return 2;
    }
    return findings.empty() ? 0 : 1;
}
