// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

namespace kordavel {

// The command line cut where the options end. "--" ends them: what follows it names files,
// whatever it looks like, and neither the window system nor the option parser sees it.
struct CommandLine {
    int optionCount = 0; // argv[0] to argv[optionCount - 1] go to the toolkit and the parser
    QStringList files;   // named after "--"
    // --help or --version among the options: answered without a display.
    bool printsAndEnds = false;
};

CommandLine splitCommandLine(int argc, const char *const argv[]);

} // namespace kordavel
