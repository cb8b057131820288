#pragma once

#include <QString>

class QWidget;

// The maker's parameter list on the vendor server, keyed by module ID (Alt+F6 and Shift+Alt+F12
// of the main window). A server that cannot be read has been reported when these return empty.

// The parameter write ("first;count;values...") listed for moduleId, once the user has
// confirmed it under "New Parameters"; empty when the list has none, the user declines, or the
// entry is no valid write (then the user is told so).
QString ConfirmedListParameters(const QString& moduleId);

// Asks for a module ID and returns it when the list's entry for it names the same ID in its
// first field; empty otherwise.
QString ModuleIdFromList(QWidget* parent);
