#pragma once

#include <QString>

class COnlineState;

// The program's own update (Updates > Veltrum), when the vendor server has a newer version and
// none was installed during this run. A program whose folder it may write (a portable install,
// unpacked from the release zip) asks, downloads the package into its folder, with progress and
// Cancel, and puts it in place (CProgramPackage); a program installed by the system's package
// manager says that the update comes from there. True when the new program is in place; the
// caller then offers the restart.
bool RunProgramUpdate(COnlineState& state, const QString& programPath);
