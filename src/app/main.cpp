// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"
#include "app/frmMain.h"
#include "common/AppState.h"
#include "dialogs/frmAbout.h"

#include <QApplication>
#include <QCommandLineParser>

#include <memory>

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QLatin1String(kordavel::kProductName));
    QCoreApplication::setApplicationVersion(kordavel::releaseVersion());
    // --help and --version are answered without a display; every other start takes the window
    // system's own options (-platform, -style …) off the command line first. Neither sees
    // what follows "--".
    const kordavel::CommandLine line = kordavel::splitCommandLine(argc, argv);
    int optionCount = line.optionCount;
    const std::unique_ptr<QCoreApplication> app(line.printsAndEnds
                                                    ? new QCoreApplication(optionCount, argv)
                                                    : new QApplication(optionCount, argv));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Edit CNC part programs and send them to machine tools over RS-232."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("files"),
                                 QStringLiteral("Program files to open, each in a window."),
                                 QStringLiteral("[FILE...]"));
    parser.process(*app);
    kordavel::frmMain frame;
    if (!frame.startUp(parser.positionalArguments() + line.files))
        return 0;
    return QCoreApplication::exec();
}
