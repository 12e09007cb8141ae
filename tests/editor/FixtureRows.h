// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Rows of test data kept in fixtures/: a row a line, its fields apart by " | ", "# " starting
// a comment line. In a field \r \n \t \\ and \xHH stand for the character or byte.
#include "support/TestFolders.h"

#include <QList>

namespace kordavel::test {

inline QByteArray unescapedField(const QByteArray &field)
{
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = i + 1 < field.size() && field[i] == '\\' ? field[++i] : 0;
        if (c == 'x' && i + 2 < field.size()) {
            out += char(field.mid(i + 1, 2).toInt(nullptr, 16));
            i += 2;
        } else {
            out += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c ? c : field[i];
        }
    }
    return out;
}

inline QList<QList<QByteArray>>
fixtureRows(const char *name, QByteArray (*decode)(const QByteArray &) = unescapedField)
{
    QList<QList<QByteArray>> rows;
    const QString path = QStringLiteral(KORDAVEL_TEST_DATA "/fixtures/") + QLatin1String(name);
    for (const QByteArray &line : readFile(path).split('\n')) {
        if (line.isEmpty() || line.startsWith("# "))
            continue;
        QList<QByteArray> fields;
        qsizetype from = 0;
        for (qsizetype at; (at = line.indexOf(" | ", from)) >= 0; from = at + 3)
            fields << decode(line.mid(from, at - from));
        rows << (fields << decode(line.mid(from)));
    }
    return rows;
}

} // namespace kordavel::test
