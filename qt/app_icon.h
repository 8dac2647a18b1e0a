#pragma once
// The application's icon: a step pulse train on a blue tile (app/app_icon_geometry.h), drawn for
// each size so that it stays crisp from 16 to 256 pixels.

#include <QIcon>
#include <QPixmap>

namespace qthost {

QPixmap AppIconPixmap(int size);
QIcon AppIcon();

}  // namespace qthost
