// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frmMain.h"
#include "common/AppState.h"
#include "dialogs/frmAbout.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstring>
#include <memory>

namespace {

// --help and --version are answered without a display; every other start takes the window
// system's own options (-platform, -style …) off the command line first.
bool printsAndEnds(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i)
        for (const char *option : {"-h", "--help", "--help-all", "-v", "--version", "-?"})
            if (std::strcmp(argv[i], option) == 0)
                return true;
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QLatin1String(kordavel::kProductName));
    QCoreApplication::setApplicationVersion(kordavel::releaseVersion());
    const std::unique_ptr<QCoreApplication> app(printsAndEnds(argc, argv)
                                                    ? new QCoreApplication(argc, argv)
                                                    : new QApplication(argc, argv));
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
    if (!frame.startUp(parser.positionalArguments()))
        return 0;
    return QCoreApplication::exec();
}
