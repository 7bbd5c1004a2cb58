// The start-up picture shown while the main window is being built.
#pragma once

#include <QPixmap>
#include <QString>

class QSplashScreen;

namespace zelk {

// Drawn rather than shipped: a piece of map with contour lines, a path and the program's name.
QPixmap MakeSplashPicture(const QString& version);
// Shows the splash at once; the caller finishes it over the main window.
QSplashScreen* ShowSplash(const QString& version);

}  // namespace zelk
