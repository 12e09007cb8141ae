// SPDX-License-Identifier: GPL-3.0-or-later
#include "Resources.h"

#include <QtGlobal>

static void registerPictures()
{
    Q_INIT_RESOURCE(resources);
}

namespace kordavel {

void initResources()
{
    registerPictures();
}

} // namespace kordavel
