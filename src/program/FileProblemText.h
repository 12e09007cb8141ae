// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/RegularFile.h"

#include <QString>

namespace kordavel {

// The message about a file that was not opened or sent, or whose send stopped: its path on
// the first line, then why, in the current language. sending: Send File read it.
QString fileProblemText(const QString &path, const FileCheck &check, bool sending = false);

} // namespace kordavel
