#include "frenchtranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

using namespace Qt::StringLiterals;

void installFrenchTranslations(QCoreApplication &application)
{
    auto *translator = new QTranslator(&application);
    if (translator->load(
            QLocale(u"fr_FR"_s), u"qtbase"_s, u"_"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}
