// Program files on disk: reading plain text, format choice, atomic saves.
#include "editor/ProgramFile.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using namespace kordavel;

class TstProgramFile : public QObject {
    Q_OBJECT
private slots:
    void plainTextLines_data();
    void plainTextLines();
    void formatForNewName_data();
    void formatForNewName();
    void failedSaveKeepsOldFile_data();
    void failedSaveKeepsOldFile();
    void unreadableFileLoadsNothing();
};

// Byte-identical saving of plain files is checked through the editor (tst_richtextbox).
// Every line keeps its own line end; the file's is its first.
void TstProgramFile::plainTextLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("lineEnd");
    QTest::newRow("mixed, first is the file's")
        << QByteArray("A\nB\r\nC\rD") << "A\nB\nC\nD" << int(LineEnd::Lf);
    QTest::newRow("CR then LF is one end") << QByteArray("A\r\nB") << "A\nB" << int(LineEnd::CrLf);
    QTest::newRow("LF CR is two ends") << QByteArray("A\n\rB") << "A\n\nB" << int(LineEnd::Lf);
    QTest::newRow("lone CR at the end") << QByteArray("A\r") << "A\n" << int(LineEnd::Cr);
    QTest::newRow("windows-1252") << QByteArray("\x80\xe9\x9f")
                                  << QString::fromUtf8("\xe2\x82\xac\xc3\xa9\xc5\xb8")
                                  << int(LineEnd::CrLf);
    QTest::newRow("rtf only at the start")
        << QByteArray("G00\n{\\rtf1 x}") << "G00\n{\\rtf1 x}" << int(LineEnd::Lf);
}

void TstProgramFile::plainTextLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(int, lineEnd);
    const PlainTextContent content = decodePlainText(bytes);
    QCOMPARE(content.text, text);
    QCOMPARE(int(content.lineEnd), lineEnd);
    QCOMPARE(encodePlainText(content.text, LineEnd::CrLf, content.lineEnds), bytes);
    QCOMPARE(decodeProgramFile(bytes).format, FileFormat::PlainText);
}

void TstProgramFile::formatForNewName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("rich");
    QTest::newRow("dnc") << "/tmp/a.dnc" << true;
    QTest::newRow("DNC") << "/tmp/A.DNC" << true;
    QTest::newRow("Dnc") << "a.Dnc" << true;
    QTest::newRow("nc") << "/tmp/a.nc" << false;
    QTest::newRow("tap") << "a.tap" << false;
    QTest::newRow("no extension") << "/tmp/program" << false;
    QTest::newRow("dnc folder") << "/tmp/x.dnc/program" << false;
    QTest::newRow("dnc inside the name") << "a.dnc.txt" << false;
}

void TstProgramFile::formatForNewName()
{
    QFETCH(QString, name);
    QFETCH(bool, rich);
    QCOMPARE(formatForFileName(name) == FileFormat::Rtf, rich);
    // An empty file, which tells nothing itself, takes its name's format too.
    QTemporaryDir dir;
    const QString empty = dir.filePath(QFileInfo(name).fileName());
    QVERIFY(writeFileAtomically(empty, QByteArray()));
    QCOMPARE(loadProgramFile(empty)->format == FileFormat::Rtf, rich);
}

void TstProgramFile::failedSaveKeepsOldFile_data()
{
    QTest::addColumn<QString>("target"); // relative to a fresh folder holding old.nc
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<bool>("diskFull"); // the disk fills up in the middle of the write
    QTest::newRow("read-only file") << "old.nc" << true << false;
    QTest::newRow("missing folder") << "missing/new.nc" << false << false;
    QTest::newRow("folder as file") << "." << false << false;
    QTest::newRow("full disk") << "old.nc" << false << true;
}

void TstProgramFile::failedSaveKeepsOldFile()
{
    QFETCH(QString, target);
    QFETCH(bool, readOnly);
    QFETCH(bool, diskFull);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString old = dir.filePath(QStringLiteral("old.nc"));
    const QByteArray original("G00 X0\r\nM30\r\n");
    QVERIFY(writeFileAtomically(old, original));
    if (readOnly)
        QVERIFY(QFile::setPermissions(old, QFileDevice::ReadOwner | QFileDevice::ReadGroup));

    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit tiny = saved;
    tiny.rlim_cur = 4096;
    if (diskFull)
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    QString error;
    const bool written =
        writeFileAtomically(dir.filePath(target), QByteArray(64 * 1024, 'X'), &error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(!written);
    QVERIFY(!error.isEmpty());
    QFile in(old);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QCOMPARE(in.readAll(), original);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("old.nc")});
}

void TstProgramFile::unreadableFileLoadsNothing()
{
    QTemporaryDir dir;
    QVERIFY(!loadProgramFile(dir.filePath(QStringLiteral("none.dnc"))).has_value());
    QVERIFY(!loadProgramFile(dir.path()).has_value());
}

QTEST_GUILESS_MAIN(TstProgramFile)
#include "tst_programfile.moc"
