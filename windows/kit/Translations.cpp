#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

QTranslator *loadQtTranslations(QCoreApplication &app, const QLocale &locale)
{
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto *translator = new QTranslator(&app);
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), folder) &&
        !translator->load(QStringLiteral("qtbase_ru"), folder)) {
        delete translator;
        return nullptr;
    }
    QCoreApplication::installTranslator(translator);
    return translator;
}

void useRussianFormats()
{
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
}
