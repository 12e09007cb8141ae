// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"

#include <QFile>

#include <cstring>

namespace kordavel {

CommandLine splitCommandLine(int argc, const char *const argv[])
{
    CommandLine line;
    line.optionCount = argc;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) {
            line.optionCount = i;
            for (int file = i + 1; file < argc; ++file)
                line.files << QFile::decodeName(argv[file]);
            break;
        }
        for (const char *option : {"-h", "--help", "--help-all", "-v", "--version", "-?"})
            if (std::strcmp(argv[i], option) == 0)
                line.printsAndEnds = true;
    }
    return line;
}

} // namespace kordavel
