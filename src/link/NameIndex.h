#pragma once

#include <QString>

#include <functional>
#include <optional>

// The device name index "VM_ID.Index" in the data base folder: one line per module, module ID,
// TAB, the name of its data folder. Without the file every module is named by its ID.

// Reads the index of a base folder (at start and whenever the base folder changes).
void LoadNameIndex(const QString& baseFolder);
// The name of a module: the ID itself without an index; nothing when the index has no entry.
std::optional<QString> LookupName(const QString& moduleId);
QString NameOrId(const QString& moduleId);
// Asks the user for the name of a module's folder and appends it to the index (only when the
// index file exists). Returns the name entered, or the ID when the user cancels.
QString AskName(const QString& moduleId);

// The text input the program asks with (title, prompt, initial text); nothing on Cancel. The GUI
// installs its input dialog; without one every question is cancelled. The handler runs on the
// main thread, whichever thread asks.
using TextInputHandler =
    std::function<std::optional<QString>(const QString& title, const QString& prompt, const QString& initial)>;
void SetTextInputHandler(TextInputHandler handler);
