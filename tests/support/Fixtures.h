// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Test data kept as text beside a test folder's tests (KORDAVEL_TEST_DATA). Rows: a row a line
// in fixtures/, its fields apart by " | ", "# " starting a comment line; in a field \r \n \t
// \\ and \xHH stand for the character or byte. Cases: "== name | field | ..." heading a
// case and "--" ending each of its parts; lines before the first case say what the file holds.
#include "support/TestFolders.h"

#include <QStringList>
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
