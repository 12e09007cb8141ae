// SPDX-License-Identifier: GPL-3.0-or-later
#include "Language.h"

#include "StringTable.h"

namespace kordavel {

namespace {

qint16 g_language = 1;

QList<LanguageAware *> &registry()
{
    static QList<LanguageAware *> windows;
    return windows;
}

} // namespace

qint16 language()
{
    return g_language;
}

void setLanguageNumber(qint16 language)
{
    g_language = language;
}

QString GetString(const QString &defaultText, int offset)
{
    const int identifier = 10000 + 1000 * int(g_language) + offset;
    // The table only has the three language blocks; identifiers outside them miss.
    if (g_language < 1 || g_language > 3)
        return defaultText;
    return loadString(identifier).value_or(defaultText);
}

LanguageAware::LanguageAware()
{
    registry().append(this);
}

LanguageAware::~LanguageAware()
{
    registry().removeOne(this);
}

QList<LanguageAware *> loadedWindows()
{
    return registry();
}

bool ChangeLanguage(qint16 newLanguage)
{
    g_language = newLanguage;
    // A copy: relabelling may load or unload windows.
    const QList<LanguageAware *> windows = registry();
    for (qsizetype i = 1; i < windows.size(); ++i) {
        if (!registry().contains(windows[i]))
            continue;
        if (!windows[i]->SetLanguage())
            return false;
    }
    return true;
}

} // namespace kordavel
