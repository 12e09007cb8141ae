// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Rows of test data kept in fixtures/: a row a line, its fields apart by " | ", "# " starting
// a comment line. In a field \r \n \t \\ and \xHH stand for the character or byte.
#include "support/TestFolders.h"

#include <QTest>

namespace kordavel::test {

inline QByteArray unescapedField(const QByteArray &field)
{
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = i + 1 < field.size() && field[i] == '\\' ? field[++i] : 0;
        if (c == 'x')
            out += char(field.mid(i + 1, 2).toInt(nullptr, 16)), i += 2;
        else
            out += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c ? c : field[i];
    }
    return out;
}

inline QList<QByteArrayList> fixtureRows(const char *name,
                                         QByteArray (*decode)(const QByteArray &) = unescapedField)
{
    QList<QByteArrayList> rows;
    for (const QByteArray &line :
         readFile(QStringLiteral(KORDAVEL_TEST_DATA "/fixtures/") + QLatin1String(name))
             .split('\n')) {
        QByteArrayList fields;
        for (qsizetype from = 0, at = 0; at >= 0 && !line.startsWith("# "); from = at + 3)
            fields << decode(line.mid(from, (at = line.indexOf(" | ", from)) < 0 ? -1 : at - from));
        if (!line.isEmpty() && !fields.isEmpty())
            rows << fields;
    }
    return rows;
}

// A data column "row" holding the fields of each row of the file, the row named by its first.
inline void fixtureColumn(const char *name)
{
    QTest::addColumn<QByteArrayList>("row");
    for (const QByteArrayList &row : fixtureRows(name))
        QTest::newRow(row[0].constData()) << row;
}

} // namespace kordavel::test
