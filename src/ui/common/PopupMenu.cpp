#include "ui/common/PopupMenu.h"

#include "base/Texts.h"
#include "ui/common/TipDialog.h"

#include <QCursor>
#include <QMenu>

namespace {

struct CMenuItem {
    int id;
    const char* text;
    const char* shortcut;
};

struct CMenuTemplate {
    const char* name; // with language suffix
    int index;        // position of the pop-up in the menu
    const char* title;
    QList<CMenuItem> items;
};

// Menu templates of the shell, one per language. An item with id 0 is a separator.
const QList<CMenuTemplate>& Templates() {
    static const QList<CMenuTemplate> menus = {
        {"IDR_MENU_COMM_EN",
         0,
         "Protocol",
         {{32803, "Protocol window", "F12"},
          {32802, "Clear protocol", "Ctrl+F12"},
          {32897, "Save protocol", "Alt+F12"}}},
        {"IDR_MENU_COMM_DE",
         0,
         "Protokoll",
         {{32803, "Protokollfenster", "F12"},
          {32802, "Protokoll löschen", "Ctrl+F12"},
          {32897, "Protokoll speichern", "Alt+F12"}}},
        {"IDR_MENU_EN", 0, "Language", {{32892, "English", ""}, {32891, "German", ""}}},
        {"IDR_MENU_EN",
         1,
         "Info",
         {{1015, "Info", ""}, {0, "", ""}, {32901, "Create support file", ""}}},
        {"IDR_MENU_DE", 0, "Sprache", {{32891, "Deutsch", ""}, {32892, "Englisch", ""}}},
        {"IDR_MENU_DE",
         1,
         "Info",
         {{1015, "Info", ""}, {0, "", ""}, {32901, "Supportdatei erstellen", ""}}},
        {"IDR_MENU_VM_EN", 0, "Zur-Udure", {{32812, "Set feedback thresholds ...", ""}}},
        {"IDR_MENU_VM_DE", 0, "Zur-Udure", {{32812, "Feedback-Schwellen einstellen ...", ""}}},
        {"IDR_MENU_VM_CONFIG_EN",
         0,
         "Zur-Udure",
         {{32813, "Set feedback mode ...", ""},
          {32811, "Set thresholds ...", ""},
          {0, "", ""},
          {32801, "Erase data ...", ""}}},
        {"IDR_MENU_VM_CONFIG_DE",
         0,
         "Zur-Udure",
         {{32813, "Feedback-Modus einstellen ...", ""},
          {32811, "Schwellen einstellen ...", ""},
          {0, "", ""},
          {32801, "Daten löschen ...", ""}}},
        {"IDR_MENU_VM_ADMIN_EN",
         0,
         "Zur-Udure",
         {{32782, "Set module ID", ""},
          {32800, "Set info", ""},
          {0, "", ""},
          {32813, "Set feedback mode ...", ""},
          {32811, "Set thresholds ...", ""},
          {32810, "Set parameters ...", ""},
          {0, "", ""},
          {32801, "Erase data ...", ""},
          {0, "", ""},
          {32805, "Debug ...", ""},
          {32798, "Update ...", ""}}},
        {"IDR_MENU_VM_ADMIN_DE",
         0,
         "Zur-Udure",
         {{32782, "Modul-ID setzen", ""},
          {32800, "Info setzen", ""},
          {0, "", ""},
          {32813, "Feedback-Modus einstellen ...", ""},
          {32811, "Schwellen einstellen ...", ""},
          {32810, "Parameter einstellen ...", ""},
          {0, "", ""},
          {32801, "Daten löschen ...", ""},
          {0, "", ""},
          {32805, "Debug ...", ""},
          {32798, "Update ...", ""}}},
        {"IDR_MENU_CB_EN",
         0,
         "Vareriz-Ezu",
         {{32780, "FT240X ...", ""}, {32796, "Update ...", ""}}},
        {"IDR_MENU_CB_DE",
         0,
         "Vareriz-Ezu",
         {{32780, "FT240X ...", ""}, {32796, "Update ...", ""}}},
        {"IDR_MENU_OUTPUT_EN",
         0,
         "Output",
         {{32807, "Clear output window", ""}, {32894, "Save content", ""}}},
        {"IDR_MENU_OUTPUT_DE",
         0,
         "Ausgabe",
         {{32807, "Ausgabefenster leeren", ""}, {32894, "Inhalt speichern", ""}}},
    };
    return menus;
}

} // namespace

std::unique_ptr<QMenu> LoadPopupMenu(const QString& name, int index) {
    const QString full = name + LanguageSuffix();
    for (const CMenuTemplate& menu : Templates()) {
        if (full != QLatin1String(menu.name) || menu.index != index)
            continue;
        auto popup = std::make_unique<QMenu>(QString::fromUtf8(menu.title));
        for (const CMenuItem& item : menu.items) {
            if (item.id == 0) {
                popup->addSeparator();
                continue;
            }
            QAction* action = popup->addAction(QString::fromUtf8(item.text));
            action->setShortcut(QKeySequence(QString::fromLatin1(item.shortcut)));
            SetCommandId(action, item.id);
        }
        return popup;
    }
    return nullptr;
}

void ShowPopupMenu(const QString& name, int index, CTipDialog* owner) {
    std::unique_ptr<QMenu> menu = LoadPopupMenu(name, index);
    if (!menu || !owner)
        return;
    owner->activateWindow();
    owner->OnInitMenu(*menu);
    owner->MenuTip().Attach(menu.get());
    if (QAction* chosen = menu->exec(QCursor::pos()))
        owner->OnCommand(CommandId(chosen));
}
