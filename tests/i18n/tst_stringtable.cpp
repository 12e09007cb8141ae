// The string table against an independent golden list, lookups that miss, and the walk
// of a language change over the loaded windows.
#include "i18n/Language.h"
#include "i18n/StringTable.h"

#include <QFile>
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

} // namespace

class TstStringTable : public QObject {
    Q_OBJECT
private slots:
    void everyEntryMatchesTheGoldenList();
    void getString_data();
    void getString();
    void changeLanguageWalksLoadedWindows();
};

void TstStringTable::everyEntryMatchesTheGoldenList()
{
    QFile file(QStringLiteral(KORDAVEL_TEST_DATA "/golden_strings.txt"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QRegularExpression line(QStringLiteral("^(\\d+) \"(.*)\"$"));
    QList<int> golden;
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QString text = QString::fromUtf8(raw);
        if (text.isEmpty() || text.startsWith(QLatin1Char('#')))
            continue;
        const auto match = line.match(text);
        QVERIFY2(match.hasMatch(), qPrintable(text));
        const int id = match.captured(1).toInt();
        golden << id;
        QCOMPARE(loadString(id), std::optional<QString>(match.captured(2)));
    }
    QCOMPARE(golden.size(), 3 * 169);
    QCOMPARE(stringIdentifiers(), golden);
}

void TstStringTable::getString_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("expected");
    QTest::newRow("english") << 1 << 232 << "Save file?";
    QTest::newRow("bulgarian") << 2 << 1
                               << QString::fromUtf8("\xd0\x93\xd0\xbe\xd1\x82\xd0\xbe\xd0\xb2");
    QTest::newRow("spanish leading blank kept") << 3 << 401 << " ya esta en uso";
    QTest::newRow("spanish trailing blank kept") << 3 << 209 << "==> Simbolo ";
    QTest::newRow("missing offset") << 1 << 230 << "DEFAULT";
    QTest::newRow("offset beyond the block") << 1 << 999 << "DEFAULT";
    QTest::newRow("language 0") << 0 << 1 << "DEFAULT";
    QTest::newRow("language 4") << 4 << 1 << "DEFAULT";
    QTest::newRow("negative language") << -1 << 1 << "DEFAULT";
    QTest::newRow("language that overflows") << 30000 << 1 << "DEFAULT";
}

void TstStringTable::getString()
{
    QFETCH(int, language);
    QFETCH(int, offset);
    QFETCH(QString, expected);
    setLanguageNumber(qint16(language));
    QCOMPARE(GetString(QStringLiteral("DEFAULT"), offset), expected);
    setLanguageNumber(1);
}

// The first window is the frame, which relabels itself; the walk stops at a failure.
void TstStringTable::changeLanguageWalksLoadedWindows()
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

QTEST_GUILESS_MAIN(TstStringTable)
#include "tst_stringtable.moc"
