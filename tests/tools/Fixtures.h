// SPDX-License-Identifier: GPL-3.0-or-later
// The fixture files of the tools tests: long cases as text, "== name | field | ..." heading a
// case and "--" ending each of its parts; lines before the first case say what the file holds.
#pragma once

#include "support/TestFolders.h"

#include <QStringList>

namespace kordavel::test {

using L = QStringList;

struct Case {
    QString name;
    L fields;
    QList<L> parts; // the lines of each part as written
};

inline QList<Case> readCases(const char *file)
{
    QList<Case> cases;
    L lines =
        QString::fromUtf8(readFile(QStringLiteral(KORDAVEL_TEST_DATA "/") + file)).split('\n');
    lines.removeLast();
    for (const QString &line : std::as_const(lines)) {
        if (line.startsWith(QLatin1String("== "))) {
            L fields = line.mid(3).split(QLatin1Char('|'));
            for (QString &f : fields)
                f = f.trimmed();
            cases.append({fields.takeFirst(), fields, {L{}}});
        } else if (!cases.isEmpty()) {
            if (line == QLatin1String("--"))
                cases.last().parts.append(L{});
            else
                cases.last().parts.last().append(line);
        }
    }
    return cases;
}

inline QByteArray programBytes(const char *file, const QByteArray &end = "\r\n")
{
    return readFile(QStringLiteral(KORDAVEL_TEST_DATA "/") + file).replace("\n", end);
}

} // namespace kordavel::test
