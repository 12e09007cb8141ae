// SPDX-License-Identifier: GPL-3.0-or-later
// The recent files: most recent first, once each, eight at most, kept across starts, in
// the File menu after programs are opened and saved; one gone is dropped when chosen.
#include "app/RecentFiles.h"
#include "support/FrameSession.h"

#include <QMenu>

using namespace kordavel;
using namespace kordavel::test;

namespace {

// The captions of the File menu's recent entries in view.
QStringList recentEntries(const frmMain &frame)
{
    QStringList out;
    for (int i = 1; i <= RecentFiles::kMaximum; ++i)
        if (QAction *entry = frame.menuEntry(QStringLiteral("mnuFileRecent%1").arg(i));
            entry->isVisible())
            out << entry->text();
    return out;
}

} // namespace

class TstRecentFiles : public QObject {
    Q_OBJECT
private slots:
    void order_data();
    void order();
    void fromTheFrame();
};

void TstRecentFiles::order_data()
{
    QTest::addColumn<QString>("added");
    QTest::addColumn<QString>("expected");
    QTest::newRow("most recent first") << "a b c"
                                       << "c b a";
    QTest::newRow("once each") << "a b a ./b"
                               << "b a";
    QTest::newRow("eight at most") << "1 2 3 4 5 6 7 8 9 10"
                                   << "10 9 8 7 6 5 4 3";
}

void TstRecentFiles::order()
{
    QFETCH(QString, added);
    QFETCH(QString, expected);
    TestFolders folders;
    const auto paths = [&](const QString &names) {
        QStringList out;
        for (const QString &name : names.split(QLatin1Char(' ')))
            out << QDir::cleanPath(folders.file(name));
        return out;
    };
    RecentFiles recent;
    recent.load();
    QVERIFY(recent.paths().isEmpty());
    for (const QString &path : paths(added))
        recent.add(path);
    QCOMPARE(recent.paths(), paths(expected));
    recent.save();
    // A shorter list leaves no old entries behind.
    recent.remove(paths(expected).first());
    recent.save();
    RecentFiles again;
    again.load();
    QCOMPARE(again.paths(), paths(expected).mid(1));
}

void TstRecentFiles::fromTheFrame()
{
    FrameSession s;
    const QString a = s.folders.file(QStringLiteral("a.nc"));
    const QString b = s.folders.file(QStringLiteral("b&c.nc"));
    const QString saved = s.folders.file(QStringLiteral("saved.dnc"));
    for (const QString &path : {a, b}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("G0 X1\r\n");
    }
    QVERIFY(recentEntries(*s.frame).isEmpty());
    s.frame->openFile(a);
    s.frame->openFile(b);
    s.dialogs.saveAnswers << saved;
    s.trigger("mnuFileSaveAs");
    s.frame->openFile(a);
    const QStringList expected{"&1 " + a, "&2 " + saved, "&3 " + QString(b).replace("&", "&&")};
    QCOMPARE(recentEntries(*s.frame), expected);
    // The next start shows the same; a file gone leaves the list when chosen.
    QVERIFY(s.frame->close());
    s.frame = std::make_unique<frmMain>();
    QVERIFY(s.frame->startUp());
    QCOMPARE(recentEntries(*s.frame), expected);
    QVERIFY(QFile::remove(saved));
    const int windows = int(s.frame->programWindows().size());
    s.trigger("mnuFileRecent2");
    QCOMPARE(s.frame->programWindows().size(), windows);
    QCOMPARE(s.dialogs.messages.size(), 1);
    QVERIFY(s.dialogs.messages.first().endsWith(GetString({}, 450)));
    QCOMPARE(recentEntries(*s.frame), (QStringList{expected[0], "&2 " + expected[2].mid(3)}));
    s.trigger("mnuFileRecent2");
    QCOMPARE(s.frame->activeProgram()->windowTitle(), b);
    QCOMPARE(recentEntries(*s.frame).first(), "&1" + expected[2].mid(2));
}

QTEST_MAIN(TstRecentFiles)
#include "tst_recentfiles.moc"
