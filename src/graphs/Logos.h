#pragma once

#include <QIcon>
#include <QImage>

// The maker's marks, drawn at run time in the brand colour so that they stay sharp.

// The small logo of the main window and the About box (IDB_LOGO_90x20).
QImage Logo90x20();
// The large logo (IDB_LOGO_200x45).
QImage Logo200x45();
// The pale mark in the background of an empty output list (IDB_KELVORA).
QImage KelvoraLogo();
// The program icon (IDI_X_24) in the usual sizes.
QIcon ProgramIcon();
