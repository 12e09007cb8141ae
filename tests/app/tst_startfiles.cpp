// SPDX-License-Identifier: GPL-3.0-or-later
// Files named on the command line: opened at start, or handed to the running copy.
#include "app/FileHandOver.h"
#include "app/frmMain.h"
#include "editor/RichTextBox.h"
#include "program/frmProgram.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolders.h"

#include <QtTest>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace kordavel;
using namespace kordavel::test;

class TstStartFiles : public QObject {
    Q_OBJECT
private slots:
    void filesOpenAtStart()
    {
        TestFolders folders;
        ScriptedDialogs dialogs;
        const QString a = writeFile(folders.file(QStringLiteral("a.nc")), "G0 X1\nM30\n");
        const QString missing = folders.file(QStringLiteral("missing.nc"));
        frmMain frame;
        QVERIFY(frame.startUp({a, missing}));
        // No empty first window; a file that cannot be loaded leaves its window as Open does.
        QCOMPARE(titles(frame), (QStringList{a + "|G0 X1\r\nM30\r\n", "Program 2|"}));
        QVERIFY(frame.programWindows().at(1)->bFlagNew);
        QVERIFY(frame.close());
    }

    void secondStartHandsFilesOver_data()
    {
        QTest::addColumn<bool>("staleSocket");
        QTest::newRow("running copy listens") << false;
        QTest::newRow("socket left by a crash") << true;
    }

    void secondStartHandsFilesOver()
    {
        QFETCH(bool, staleSocket);
        TestFolders folders;
        ScriptedDialogs dialogs;
        if (staleSocket) { // bound and closed without unlinking, as a crashed copy leaves it
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

private:
    static QStringList titles(const frmMain &frame)
    {
        QStringList out;
        for (frmProgram *program : frame.programWindows())
            out << program->windowTitle() + QLatin1Char('|') + program->rtfText->text();
        return out;
    }
};

QTEST_MAIN(TstStartFiles)
#include "tst_startfiles.moc"
