// The program's icon, from the pictures the build rendered, each read from
// the resources only when a size of it is first drawn.
#pragma once

#include <QIcon>

QIcon programIcon();
