// SPDX-License-Identifier: GPL-3.0-or-later
// The string table: every offset the program asks for has a text in every language, the
// languages agree on what a text must carry, lookups that miss, and the walk of a language
// change over the loaded windows.
#include "dnc/ErrorTexts.h"
#include "i18n/Language.h"
#include "i18n/StringTable.h"

#include <QDirIterator>
#include <QRegularExpression>
#include <QtTest>

using namespace kordavel;

namespace {

struct Window : LanguageAware {
    explicit Window(QStringList *log, QString name, bool ok = true)
        : m_log(log), m_name(std::move(name)), m_ok(ok)
    {}
    bool SetLanguage() override
    {
        *m_log << m_name + QLatin1Char(':') + QString::number(language());
        return m_ok;
    }
    QStringList *m_log;
    QString m_name;
    bool m_ok;
};

// The offsets written in the sources: GetString calls, questions, status codes, and the
// relabelling tables of the frame and the line settings. Error numbers go through
// errorOffset, which the caller below walks whole.
QMap<int, QString> offsetsInTheSources()
{
    const QRegularExpression uses(
        QStringLiteral(R"(GetString\([^;]*?,\s*(\d+)\s*\)|AskQuestion\((\d+)|Status\((\d+)\)|)"
                       R"(relabel\(\w+, (\d+), (\d+)|\{"\w+", (\d+)[,}])"));
    QMap<int, QString> found;
    QDirIterator it(QStringLiteral(KORDAVEL_TESTS_DIR "/../src"), {"*.cpp", "*.h"}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (it.filePath().contains(QLatin1String("/i18n/")) || !file.open(QIODevice::ReadOnly))
            continue;
        const QString source = QString::fromUtf8(file.readAll());
        for (const QRegularExpressionMatch &m : uses.globalMatch(source))
            for (int group = 1; group <= m.lastCapturedIndex(); ++group)
                if (m.hasCaptured(group))
                    found.insert(m.captured(group).toInt(), it.fileName() + ": " + m.captured());
    }
    return found;
}

QStringList placeholders(const QString &text)
{
    QStringList out;
    for (const auto &m : QRegularExpression(QStringLiteral("%\\d+")).globalMatch(text))
        out << m.captured();
    out.sort();
    return out;
}

} // namespace

class TstStringTable : public QObject {
    Q_OBJECT
private slots:
    void everyOffsetInUseHasAllThreeLanguages()
    {
        QMap<int, QString> used = offsetsInTheSources();
        QVERIFY2(used.size() > 100, "the sources were not found or their calls changed shape");
        for (int number = 0; number < 10000; ++number)
            used.insert(errorOffset(number), QStringLiteral("errorOffset(%1)").arg(number));
        for (int event = 0; event < 1100; ++event)
            used.insert(lineErrorOffset(qint16(event)), QStringLiteral("lineErrorOffset"));
        for (auto it = used.cbegin(); it != used.cend(); ++it)
            for (int language = 1; language <= 3; ++language)
                QVERIFY2(loadString(10000 + 1000 * language + it.key()),
                         qPrintable(QStringLiteral("language %1 lacks %2 (%3)")
                                        .arg(language)
                                        .arg(it.key())
                                        .arg(it.value())));
    }

    // What the program puts into a text or reads from it must be there in every language.
    void languagesAgree()
    {
        const QList<int> ids = stringIdentifiers();
        const auto english =
            std::count_if(ids.begin(), ids.end(), [](int id) { return id < 12000; });
        QCOMPARE(ids.size(), 3 * english);
        const QRegularExpression accelerator(QStringLiteral("&[^&]"));
        for (int id : ids) {
            if (id >= 12000)
                continue;
            const QString en = *loadString(id);
            for (int other : {id + 1000, id + 2000}) {
                const std::optional<QString> text = loadString(other);
                const QByteArray where = QByteArray::number(other);
                QVERIFY2(text, where);
                QVERIFY2(!text->trimmed().isEmpty() || en.trimmed().isEmpty(), where);
                QVERIFY2(placeholders(*text) == placeholders(en), where);
                QVERIFY2(text->count(accelerator) == en.count(accelerator), where);
                QVERIFY2(text->startsWith(QLatin1Char(' ')) == en.startsWith(QLatin1Char(' ')),
                         where);
            }
        }
    }

    void getString_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("offset");
        QTest::addColumn<QString>("expected");
        QTest::newRow("english") << 1 << 232 << "Save file?";
        QTest::newRow("spanish leading blank kept") << 3 << 401 << " ya esta en uso";
        QTest::newRow("spanish trailing blank kept") << 3 << 209 << "==> Simbolo ";
        QTest::newRow("missing offset") << 1 << 230 << "DEFAULT";
        QTest::newRow("language 0") << 0 << 1 << "DEFAULT";
        QTest::newRow("language 4") << 4 << 1 << "DEFAULT";
    }

    void getString()
    {
        QFETCH(int, language);
        QFETCH(int, offset);
        QFETCH(QString, expected);
        setLanguageNumber(qint16(language));
        QCOMPARE(GetString(QStringLiteral("DEFAULT"), offset), expected);
        setLanguageNumber(1);
    }

    // The first window is the frame, which relabels itself; the walk stops at a failure.
    void changeLanguageWalksLoadedWindows()
    {
        QStringList log;
        Window frame(&log, QStringLiteral("frame"));
        auto second = std::make_unique<Window>(&log, QStringLiteral("a"));
        Window third(&log, QStringLiteral("b"));
        QVERIFY(ChangeLanguage(2));
        QCOMPARE(log, (QStringList{"a:2", "b:2"}));
        second.reset();
        log.clear();
        QVERIFY(ChangeLanguage(3));
        QCOMPARE(log, QStringList{"b:3"});

        Window failing(&log, QStringLiteral("c"), false);
        Window after(&log, QStringLiteral("d"));
        log.clear();
        QVERIFY(!ChangeLanguage(2));
        QCOMPARE(log, (QStringList{"b:2", "c:2"}));
        QCOMPARE(language(), qint16(2));
        setLanguageNumber(1);
    }
};

QTEST_GUILESS_MAIN(TstStringTable)
#include "tst_stringtable.moc"
