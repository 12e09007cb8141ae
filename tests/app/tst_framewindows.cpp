// SPDX-License-Identifier: GPL-3.0-or-later
// New and opened program windows cascade from the one before, as the MDI default does,
// wholly inside the frame's area, also those made before the frame had its size. The recent
// files: most recent first, once each, eight at most, kept across starts, in the File menu
// after programs are opened and saved; one gone is dropped when chosen. Files named on the
// command line are handed to the running copy (opened at start: cascadeInsideTheArea), also
// when a crashed copy left its lock and its socket behind.
#include "app/FileHandOver.h"
#include "app/RecentFiles.h"
#include "support/FrameSession.h"

#include <QLockFile>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

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

// Each program window's caption and text, "caption|text".
QStringList titles(const frmMain &frame)
{
    QStringList out;
    for (frmProgram *program : frame.programWindows())
        out << program->windowTitle() + QLatin1Char('|') + program->rtfText->text();
    return out;
}

} // namespace

class TstFrameWindows : public QObject {
    Q_OBJECT
private slots:
    void cascadeInsideTheArea_data()
    {
        QTest::addColumn<bool>("beforeShown");
        QTest::newRow("shown frame") << false;
        QTest::newRow("made at start-up") << true;
    }

    void cascadeInsideTheArea()
    {
        QFETCH(bool, beforeShown);
        TestFolders folders;
        ScriptedDialogs dialogs;
        QStringList files;
        for (int i = 0; beforeShown && i < 9; ++i)
            files << QStringLiteral(KORDAVEL_TESTS_DIR "/data/fanuc_pocket.nc");
        frmMain frame;
        QVERIFY(frame.startUp(beforeShown ? files + files.mid(0, 1) : QStringList{}));
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        for (int i = 0; !beforeShown && i < 9; ++i)
            (i % 2 ? frame.menuEntry(QStringLiteral("mnuFileNew"))->trigger()
                   : frame.openFile(QStringLiteral(KORDAVEL_TESTS_DIR "/data/haas_turn.nc")));
        const QList<QMdiSubWindow *> subs = frame.mdiArea()->subWindowList(QMdiArea::CreationOrder);
        QCOMPARE(subs.size(), 10);
        const QRect area = frame.mdiArea()->viewport()->rect();
        int wraps = 0;
        for (int i = 0; i < subs.size(); ++i) {
            const QRect place = subs[i]->geometry();
            QVERIFY2(area.contains(place), qPrintable(QStringLiteral("window %1").arg(i + 1)));
            QCOMPARE(place.size(), area.size() * 3 / 4);
            if (i == 0 || place.topLeft() == area.topLeft()) {
                QCOMPARE(place.topLeft(), area.topLeft());
                wraps += i > 0;
                continue;
            }
            const QPoint step = place.topLeft() - subs[i - 1]->pos();
            QVERIFY(step.x() > 10 && step.x() == step.y());
        }
        QVERIFY(wraps > 0);
        QVERIFY(frame.close());
    }

    void order_data()
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

    void order()
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

    void fromTheFrame()
    {
        FrameSession s;
        const QString a = s.folders.file(QStringLiteral("a.nc"));
        const QString b = s.folders.file(QStringLiteral("b&c.nc"));
        const QString saved = s.folders.file(QStringLiteral("saved.dnc"));
        for (const QString &path : {a, b})
            writeFile(path, "G0 X1\r\n");
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

    void secondStartHandsFilesOver_data()
    {
        QTest::addColumn<bool>("crashed"); // a copy left its socket and its lock behind
        QTest::newRow("running copy listens") << false;
        QTest::newRow("socket and lock left by a crash") << true;
    }

    void secondStartHandsFilesOver()
    {
        QFETCH(bool, crashed);
        TestFolders folders;
        ScriptedDialogs dialogs;
        if (crashed) {
            // The lock taken by a process that dies without releasing it; the socket bound and
            // closed without unlinking.
            const pid_t child = fork();
            if (child == 0) {
                QLockFile lock(folders.runtime() + QStringLiteral("/kordavel.lock"));
                lock.tryLock(0);
                _exit(0);
            }
            QVERIFY(child > 0);
            waitpid(child, nullptr, 0);
            QVERIFY(QFile::exists(folders.runtime() + QStringLiteral("/kordavel.lock")));
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            const QByteArray path = QFile::encodeName(FileHandOver::socketPath());
            std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
            ::close(fd);
        }
        const QString b = writeFile(folders.file(QStringLiteral("b.nc")), "G1 Y2\n");
        frmMain frame;
        QVERIFY(frame.startUp());
        QVERIFY(frame.IsFirstInstance);
        {
            frmMain second;
            QVERIFY(!second.startUp({b}));
            QVERIFY(!second.isVisible());
            QVERIFY(second.programWindows().isEmpty());
        }
        QTRY_COMPARE(titles(frame), (QStringList{"Program 1|", b + "|G1 Y2\r\n"}));
        QVERIFY(dialogs.messages.isEmpty()); // no "in use" message
        QVERIFY(frame.close());
    }
};

QTEST_MAIN(TstFrameWindows)
#include "tst_framewindows.moc"
