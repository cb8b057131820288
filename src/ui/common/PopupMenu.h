#pragma once

#include <QString>

#include <memory>

class CTipDialog;
class QMenu;

// The menus of the program, named as their templates ("IDR_MENU_COMM"), with texts in the
// current language. Items carry their command id (CommandId).

// The pop-up at index of the named menu (without suffix) in the current language; null when
// there is no such menu.
std::unique_ptr<QMenu> LoadPopupMenu(const QString& name, int index);

// Shows that pop-up at the cursor for owner: the owner may change it first (OnInitMenu), its
// items show menu tips, and the chosen item's command goes to the owner's OnCommand.
void ShowPopupMenu(const QString& name, int index, CTipDialog* owner);
