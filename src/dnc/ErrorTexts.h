// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

namespace kordavel {

// String-table offset of the text for an error number (0, the product name, when the
// number has no text of its own).
qint16 errorOffset(int number);

// String-table offset of the text for a line error CommEvent (21 when unknown).
qint16 lineErrorOffset(qint16 commEvent);

} // namespace kordavel
