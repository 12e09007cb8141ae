// SPDX-License-Identifier: GPL-3.0-or-later
// Value lists, machine icons, the stored defaults, the communication panel of a program
// window and the Options dialog.
#include "dnc/SerialLine.h"
#include "dnc/ucDnc.h"
#include "editor/RichTextBox.h"
#include "i18n/Language.h"
#include "profiles/DefaultLineSettings.h"
#include "profiles/ValueLists.h"
#include "profiles/frmOptions.h"
#include "program/ProgramPanel.h"
#include "program/frmProgram.h"
#include "support/CaptionsFit.h"
#include "support/PtyMachine.h"
#include "support/TestFolders.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QImageWriter>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QtTest>

using namespace kordavel;
using namespace kordavel::test;

namespace {

void drawIcon(const QString &path)
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::darkCyan);
    QImageWriter writer(path, "ico");
    QVERIFY2(writer.write(image), qPrintable(writer.errorString()));
}

QChar bit(bool on)
{
    return on ? QLatin1Char('1') : QLatin1Char('0');
}

// Port, baud rate, data bits, parity and stop bits, then XOnXOff, WaitXOn, RTSCTS, DSRDTR
// and EIA as 0 or 1 and the pace's index: what the controls show.
QStringList shownBy(const LineSettingsControls &c)
{
    const QString flags = QString() + bit(c.chkXOnXOff->isChecked()) +
                          bit(c.chkWaitXOn->isChecked()) + bit(c.chkRTSCTS->isChecked()) +
                          bit(c.chkDSRDTR->isChecked()) + bit(c.optFormat[1]->isChecked()) +
                          QString::number(c.cboPace->currentIndex());
    return {c.cboPort->currentText(),   c.cboBaudRate->currentText(), c.cboDataBits->currentText(),
            c.cboParity->currentText(), c.cboStopBits->currentText(), flags};
}

} // namespace

class TstProfiles : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_folders = std::make_unique<TestFolders>();
        QDir().mkpath(m_folders->file(QStringLiteral("machines")));
        setMachineFolder(m_folders->file(QStringLiteral("machines")));
        // Ports 1 to 16 are all absent but 3 and 5.
        for (int n = 1; n <= 16; ++n)
            SaveSetting("Ports", "Com" + QString::number(n), m_folders->file("absent"));
        m_port3 = std::make_unique<PtyMachine>();
        m_port3->mapTo(3);
        m_port5 = std::make_unique<PtyMachine>();
        m_port5->mapTo(5);
    }

    void cleanup()
    {
        setMachineFolder(QString());
        m_port3.reset();
        m_port5.reset();
        m_folders.reset();
    }

    // Each list reports its default choice once, as the panel's first setting of the channel.
    void fillersSelectOnce()
    {
        const std::pair<bool (*)(QComboBox *), const char *> rows[] = {{FillBaudRates, "4800"},
                                                                       {FillParities, "Even"},
                                                                       {FillStopBits, "2"},
                                                                       {FillDataBits, "7"}};
        for (const auto &[fill, selected] : rows) {
            QComboBox list;
            QStringList reported;
            connect(&list, &QComboBox::currentIndexChanged, &list,
                    [&](int i) { reported << list.itemText(i); });
            QVERIFY(fill(&list));
            QCOMPARE(reported, QStringList{selected});
        }
    }

    void machinesFromIconFiles()
    {
        const QString folder = machineFolder();
        QComboBox empty;
        QVERIFY(FillMachines(&empty));
        QCOMPARE(itemsOf(&empty), QStringList{"NONE"});
        for (const char *name : {"mLathe1.ico", "MDRILL.ICO", "mzeta.ico"})
            drawIcon(folder + QLatin1Char('/') + QLatin1String(name));
        QFile(folder + QStringLiteral("/m.ico")).open(QIODevice::WriteOnly);
        QFile(folder + QStringLiteral("/lathe.ico")).open(QIODevice::WriteOnly);
        QDir(folder).mkpath(QStringLiteral("mFolder.ico"));
        QComboBox list;
        QVERIFY(FillMachines(&list));
        QCOMPARE(itemsOf(&list), (QStringList{"", "DRILL", "Lathe1", "NONE", "zeta"}));
        QCOMPARE(list.currentText(), QStringLiteral("NONE"));
        QVERIFY(machineIcon(QStringLiteral("Lathe1"), QIcon()).has_value());
        QVERIFY(machineIcon(QStringLiteral("DRILL"), QIcon()).has_value()); // from MDRILL.ICO
        QVERIFY(!machineIcon(QStringLiteral(""), QIcon()).has_value()); // m.ico holds no picture
        QVERIFY(!machineIcon(QStringLiteral("Gone"), QIcon()).has_value());

        // The machines that come with the program.
        setMachineFolder(QStringLiteral(KORDAVEL_TESTS_DIR "/../resources/machines"));
        QComboBox shipped;
        QVERIFY(FillMachines(&shipped));
        QCOMPARE(itemsOf(&shipped), (QStringList{"Drill", "Lathe", "Mill", "NONE"}));
        for (const char *name : {"Drill", "Lathe", "Mill"})
            QCOMPARE(machineIcon(QLatin1String(name), QIcon()).value().availableSizes().value(0),
                     QSize(32, 32));
    }

    // Without a folder set, the user's data folder comes before the system's: the same name
    // takes the user's picture.
    void usersMachinesComeFirst()
    {
        const QString user = m_folders->file(QStringLiteral("home/kordavel/machines"));
        const QString system = m_folders->file(QStringLiteral("usr/kordavel/machines"));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_folders->file(QStringLiteral("home"))));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(m_folders->file(QStringLiteral("usr"))));
        QDir().mkpath(user);
        QDir().mkpath(system);
        drawIcon(system + QStringLiteral("/mMill.ico"));
        drawIcon(system + QStringLiteral("/mSaw.ico"));
        QImage white(16, 16, QImage::Format_ARGB32);
        white.fill(Qt::white);
        QVERIFY(QImageWriter(user + QStringLiteral("/mMill.ico"), "ico").write(white));
        setMachineFolder(QString());
        QCOMPARE(machineFolders().mid(0, 1), QStringList{user});
        QVERIFY(machineFolders().contains(system));
        QComboBox list;
        QVERIFY(FillMachines(&list));
        QCOMPARE(itemsOf(&list), (QStringList{"Mill", "NONE", "Saw"}));
        const QImage mill = machineIcon(QStringLiteral("Mill"), QIcon())->pixmap(16).toImage();
        QCOMPARE(mill.pixelColor(8, 8), QColor(Qt::white));
        QVERIFY(machineIcon(QStringLiteral("Saw"), QIcon()).has_value());
        qunsetenv("XDG_DATA_HOME");
        qunsetenv("XDG_DATA_DIRS");
    }

    void brokenMachineIconSnapsBack()
    {
        const QString folder = machineFolder();
        drawIcon(folder + QStringLiteral("/mMill.ico"));
        drawIcon(folder + QStringLiteral("/mLathe.ico"));
        frmProgram window;
        QComboBox *list = window.picControl->cboMashine;
        QCOMPARE(itemsOf(list), (QStringList{"Lathe", "Mill", "NONE"}));
        list->setCurrentIndex(1);
        QFile::remove(folder + QStringLiteral("/mLathe.ico"));
        list->setCurrentIndex(0);
        QCOMPARE(list->currentText(), QStringLiteral("Mill"));
        QVERIFY(!window.windowIcon().isNull());
    }

    // The stored defaults as a new program window's panel and channel, and the Options
    // dialog, show them.
    void defaultsShown_data()
    {
        QTest::addColumn<QStringList>("stored"); // key=value pairs in "Default"
        QTest::addColumn<QStringList>("shown");  // as shownBy()
        QTest::addColumn<QString>("settings");   // the channel's settings string
        QTest::addColumn<int>("receiveEnd");     // the end-of-receive choice shown
        const QStringList fallback{"Com3", "4800", "7", "Even", "2", "101100"};
        QTest::newRow("empty store") << QStringList{} << fallback << "4800,E,7,2" << 0;
        QTest::newRow("stored values")
            << QStringList{"Port=Com5",  "BaudRate=9600", "DataBits=8",   "Parity=None",
                           "StopBits=1", "XOnXOff=0",     "WaitXOn=1",    "RTSCTS=0",
                           "DSRDTR=0",   "ISOEIA=1",      "ReceiveEnd=2", "Pace=1"}
            << QStringList{"Com5", "9600", "8", "None", "1", "010011"} << "9600,N,8,1" << 2;
        QTest::newRow("values the lists do not hold")
            << QStringList{"Port=Com9", "BaudRate=19200", "Parity=odd", "XOnXOff=x",
                           "ISOEIA=7",  "ReceiveEnd=3",   "Pace=7"}
            << fallback << "4800,E,7,2" << 0;
    }

    void defaultsShown()
    {
        QFETCH(QStringList, stored);
        QFETCH(QStringList, shown);
        QFETCH(QString, settings);
        QFETCH(int, receiveEnd);
        for (const QString &pair : stored)
            SaveSetting(QStringLiteral("Default"), pair.section('=', 0, 0), pair.section('=', 1));
        frmProgram window;
        QCOMPARE(shownBy(*window.picControl->controls), shown);
        QCOMPARE(window.picControl->controls->cboReceiveEnd->currentIndex(), receiveEnd);
        QCOMPARE(window.picControl->cboMashine->currentText(), QStringLiteral("NONE"));
        // The channel holds what the panel shows.
        const ucDnc &dnc = *window.ucDnc1;
        QCOMPARE(dnc.ComPort(), shown[0].toUpper());
        QCOMPARE(dnc.MSComm1().Settings().toUpper(), settings);
        const QString flags = shown[5];
        QCOMPARE(QString() + bit(dnc.XOnXOff()) + bit(dnc.RTSCTS()) + bit(dnc.DTRDTS()) +
                     bit(dnc.EIA()),
                 QString() + flags[0] + flags[2] + flags[3] + flags[4]);
        frmOptions options;
        QCOMPARE(shownBy(*options.controls), shown);
        QCOMPARE(options.controls->cboReceiveEnd->currentIndex(), receiveEnd);
    }

    void panelIsPerWindow()
    {
        frmProgram one;
        frmProgram two;
        one.picControl->controls->optFormat[1]->setChecked(true);
        one.picControl->controls->cboBaudRate->setCurrentIndex(0);
        QVERIFY(one.ucDnc1->EIA());
        QVERIFY(!two.ucDnc1->EIA());
        QCOMPARE(one.ucDnc1->BaudRate(), QStringLiteral("9600"));
        QCOMPARE(two.ucDnc1->BaudRate(), QStringLiteral("4800"));
        // Wait for XOn holds the next send of that window alone.
        one.picControl->controls->chkWaitXOn->setChecked(true);
        for (frmProgram *window : {&one, &two}) {
            window->ucDnc1->setAction(actSend);
            QCOMPARE(window->ucDnc1->XOffHeld(), window == &one);
            window->ucDnc1->setAction(actIdle);
        }
        // Nothing is written back: a new window starts from the defaults.
        frmProgram three;
        QVERIFY(!three.ucDnc1->EIA());
        QVERIFY(!defaultsStored());
    }

    // Every caption of the panel and of the Options dialog shows whole in every language, the
    // text pane gives way to a wider panel, and the panel narrows again when the language goes
    // back.
    void panelCaptionsFitInEveryLanguage()
    {
        frmProgram window;
        window.resize(900, 600);
        frmOptions options;
        options.show();
        const int english = window.picControl->width();
        for (const qint16 language : {2, 3, 1}) {
            setLanguageNumber(language);
            window.SetLanguage();
            options.SetLanguage();
            checkCaptionsFit(window.picControl);
            checkCaptionsFit(&options);
            QCOMPARE(window.picControl->geometry().right(), window.width() - 1);
            QVERIFY(window.rtfText->geometry().right() < window.picControl->x());
        }
        QCOMPARE(window.picControl->width(), english);
    }

    // Cancel writes nothing; OK writes all twelve defaults, and windows opened afterwards start
    // with them.
    void optionsWriteOnOkOnly()
    {
        for (const bool ok : {false, true}) {
            frmOptions options;
            const LineSettingsControls &c = *options.controls;
            c.chkDSRDTR->setChecked(false);
            c.optFormat[1]->setChecked(true);
            c.cboBaudRate->setCurrentIndex(0);
            c.cboReceiveEnd->setCurrentIndex(1);
            c.cboPace->setCurrentIndex(1);
            (ok ? options.cmdOK : options.cmdCancel)->click();
            QCOMPARE(defaultsStored(), ok);
        }
        DefaultLineSettings expected;
        expected.Port = QStringLiteral("Com3");
        expected.BaudRate = QStringLiteral("9600");
        expected.DSRDTR = QStringLiteral("0");
        expected.ISOEIA = QStringLiteral("1");
        expected.ReceiveEnd = QStringLiteral("1");
        expected.Pace = QStringLiteral("1");
        QCOMPARE(ReadDefaultLineSettings(), expected);
        QSettings ini(m_folders->settingsFile(), QSettings::IniFormat);
        ini.beginGroup(QStringLiteral("Default"));
        QCOMPARE(ini.childKeys().size(), 12);
        frmProgram window;
        QCOMPARE(window.picControl->controls->cboReceiveEnd->currentIndex(), 1);
        QCOMPARE(window.picControl->controls->cboPace->currentIndex(), 1);
        QVERIFY(window.ucDnc1->EIA());
        QCOMPARE(window.ucDnc1->BaudRate(), QStringLiteral("9600"));
    }

    void optionsWithoutPortsKeepsStoredPort()
    {
        SaveSetting(QStringLiteral("Default"), QStringLiteral("Port"), QStringLiteral("Com5"));
        m_port3.reset();
        m_port5.reset();
        frmOptions options;
        QCOMPARE(options.controls->cboPort->count(), 0);
        options.cmdOK->click();
        QCOMPARE(ReadDefaultLineSettings().Port, QStringLiteral("Com5"));
        // A window without ports keeps the channel on its own first port.
        frmProgram window;
        QCOMPARE(window.ucDnc1->ComPort(), QStringLiteral("COM2"));
    }

private:
    std::unique_ptr<TestFolders> m_folders;
    std::unique_ptr<PtyMachine> m_port3;
    std::unique_ptr<PtyMachine> m_port5;
    bool defaultsStored() const
    {
        return QSettings(m_folders->settingsFile(), QSettings::IniFormat)
            .childGroups()
            .contains(QStringLiteral("Default"));
    }
};

QTEST_MAIN(TstProfiles)
#include "tst_profiles.moc"
