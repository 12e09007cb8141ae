#pragma once

// The golden list of the string table (tests/i18n/golden_strings.txt): what the user
// must read, kept apart from the table the program compiles in.
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QString>

namespace kordavel::test {

inline QString golden(int language, int offset)
{
    static const QHash<int, QString> table = [] {
        QHash<int, QString> out;
        QFile file(QStringLiteral(KORDAVEL_TESTS_DIR "/i18n/golden_strings.txt"));
        if (!file.open(QIODevice::ReadOnly))
            return out;
        const QRegularExpression line(QStringLiteral("^(\\d+) \"(.*)\"$"));
        for (const QByteArray &raw : file.readAll().split('\n')) {
            const auto match = line.match(QString::fromUtf8(raw));
            if (match.hasMatch())
                out.insert(match.captured(1).toInt(), match.captured(2));
        }
        return out;
    }();
    return table.value(10000 + language * 1000 + offset, QStringLiteral("<missing>"));
}

} // namespace kordavel::test
