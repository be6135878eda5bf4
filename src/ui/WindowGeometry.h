#pragma once

#include <QList>
#include <QRect>

// The geometry a restored window gets: the saved one when it lies wholly on the available
// screen areas, otherwise shrunk to fit the screen it overlaps most (the first one when it
// overlaps none) and moved inside it, so the window can always be reached. With no screen
// areas the saved geometry is kept.
QRect ReachableGeometry(const QRect& saved, const QList<QRect>& available);
