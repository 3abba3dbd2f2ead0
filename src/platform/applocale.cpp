// SPDX-License-Identifier: GPL-3.0-or-later
#include "applocale.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace velmaris {

QLocale appLocaleFor(const QLocale& system)
{
    QLocale chosen =
        system.language() == QLocale::French ? system : QLocale(QLocale::French, QLocale::France);
    // Amounts and indices are written without thousands separators.
    chosen.setNumberOptions(QLocale::OmitGroupSeparator);
    return chosen;
}

QLocale appLocale()
{
    return appLocaleFor(QLocale::system());
}

QTranslator* loadQtTranslations(const QLocale& locale)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || locale.language() != QLocale::French)
        return nullptr;
    auto* translator = new QTranslator(app);
    const QStringList folders = {
        QLibraryInfo::path(QLibraryInfo::TranslationsPath),
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("translations"))};
    for (const QString& folder : folders) {
        if (translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), folder)
            && QCoreApplication::installTranslator(translator))
            return translator;
    }
    delete translator;
    return nullptr;
}

} // namespace velmaris
