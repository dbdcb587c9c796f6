#pragma once
// The program's pictures: toolbar buttons, the application icon and the document icon, drawn
// as vectors so they stay sharp at every size.
#include <QIcon>
#include <QPixmap>

// The toolbar picture of a command; a null icon for commands without one.
QIcon CommandIcon(int id);
// The application icon (resource 128) and the document type's icon (resource 129).
QIcon AppIcon();
QIcon DocIcon();
// One size of them, for the desktop files and the tests.
QPixmap AppIconPixmap(int size);
QPixmap DocIconPixmap(int size);
