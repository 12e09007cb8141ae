// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

namespace kordavel {

// 1 English, 2 Bulgarian, 3 Spanish. Any other value finds no texts at all.
qint16 language();
void setLanguageNumber(qint16 language);

// The text at an offset in the current language, or the default when there is none.
QString GetString(const QString &defaultText, int offset);

// Every window relabels itself through SetLanguage. Windows register in the order they
// are loaded; the main frame is loaded first.
class LanguageAware {
public:
    LanguageAware();
    virtual ~LanguageAware();
    LanguageAware(const LanguageAware &) = delete;
    LanguageAware &operator=(const LanguageAware &) = delete;
    virtual bool SetLanguage() = 0;
};

// Stores the language, then relabels every loaded window but the first (the main frame),
// in load order. False when a window's relabelling failed; the walk stops there.
bool ChangeLanguage(qint16 newLanguage);

// The loaded windows in load order.
QList<LanguageAware *> loadedWindows();

} // namespace kordavel
