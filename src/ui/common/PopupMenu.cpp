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
    const char* name; // without language suffix
    int index;        // position of the pop-up in the menu
    const char* title;
    QList<CMenuItem> items;
};

// The menu templates of the shell. Texts and titles are template texts (TemplateText); an item
// with id 0 is a separator.
const QList<CMenuTemplate>& Templates() {
    static const QList<CMenuTemplate> menus = {
        {"IDR_MENU_COMM",
         0,
         "Protocol",
         {{ID_PROTOCOL_WINDOW, "Protocol window", "F12"},
          {ID_CLEAR_PROTOCOL, "Clear protocol", "Ctrl+F12"},
          {ID_SAVE_PROTOCOL, "Save protocol", "Alt+F12"}}},
        {"IDR_MENU", 0, "Language", {}}, // LanguageItems()
        {"IDR_MENU",
         1,
         "Info",
         {{IDC_LOGO, "Info", ""}, {0, "", ""}, {ID_SUPPORT_FILE, "Create support file", ""}}},
        {"IDR_MENU_VM",
         0,
         "Zur-Udure",
         {{ID_SET_FEEDBACK_THRESHOLDS, "Set feedback thresholds ...", ""}}},
        {"IDR_MENU_VM_CONFIG",
         0,
         "Zur-Udure",
         {{ID_SET_FEEDBACK_MODE, "Set feedback mode ...", ""},
          {ID_SET_THRESHOLDS, "Set thresholds ...", ""},
          {0, "", ""},
          {ID_ERASE_DATA, "Erase data ...", ""}}},
        {"IDR_MENU_VM_ADMIN",
         0,
         "Zur-Udure",
         {{ID_SET_MODULE_ID, "Set module ID", ""},
          {ID_SET_INFO, "Set info", ""},
          {0, "", ""},
          {ID_SET_FEEDBACK_MODE, "Set feedback mode ...", ""},
          {ID_SET_THRESHOLDS, "Set thresholds ...", ""},
          {ID_SET_PARAMETERS, "Set parameters ...", ""},
          {0, "", ""},
          {ID_ERASE_DATA, "Erase data ...", ""},
          {0, "", ""},
          {ID_DEBUG, "Debug ...", ""},
          {ID_VM_UPDATE, "Update ...", ""}}},
        {"IDR_MENU_CB",
         0,
         "Vareriz-Ezu",
         {{ID_CB_EEPROM, "FT240X ...", ""}, {ID_CB_UPDATE, "Update ...", ""}}},
        {"IDR_MENU_OUTPUT",
         0,
         "Output",
         {{ID_CLEAR_OUTPUT, "Clear output window", ""}, {ID_SAVE_OUTPUT, "Save content", ""}}},
        {"IDR_UPDATES",
         0,
         "Updates",
         {{ID_PROGRAM_UPDATE, "Veltrum", ""},
          {ID_WEB_VM_UPDATE, "Kelvora", ""},
          {ID_WEB_CB_UPDATE, "Vareriz-Ezu", ""}}},
    };
    return menus;
}

// The language menu lists the current language first.
QList<CMenuItem> LanguageItems() {
    const CMenuItem german{ID_LANGUAGE_GERMAN, "German", ""};
    const CMenuItem english{ID_LANGUAGE_ENGLISH, "English", ""};
    if (CurrentLanguage() == Language::German)
        return {german, english};
    return {english, german};
}

} // namespace

std::unique_ptr<QMenu> LoadPopupMenu(const QString& name, int index) {
    for (const CMenuTemplate& menu : Templates()) {
        if (name != QLatin1String(menu.name) || menu.index != index)
            continue;
        auto popup = std::make_unique<QMenu>(TemplateText(menu.title));
        const QList<CMenuItem> items = menu.items.isEmpty() ? LanguageItems() : menu.items;
        for (const CMenuItem& item : items) {
            if (item.id == 0) {
                popup->addSeparator();
                continue;
            }
            QAction* action = popup->addAction(TemplateText(item.text));
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
