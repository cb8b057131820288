#include "ui/update/UpdatesMenu.h"

#include "base/CmdIds.h"
#include "ui/common/PopupMenu.h"
#include "ui/common/ToolTip.h"

#include <QMenu>
#include <QMenuBar>

CUpdatesMenu::CUpdatesMenu(QMenuBar& bar, CMenuTip& tips)
    : m_corner(new QMenuBar(&bar)), m_tips(tips) {
    // A bar of its own in the corner keeps the menu at the right end in every style, also
    // where the main bar goes to the desktop's global menu.
    m_corner->setNativeMenuBar(false);
    // No frame or spacing of its own: the main bar keeps as much room for its menus as it can.
    m_corner->setStyleSheet(
        QStringLiteral("QMenuBar { margin: 0px; padding: 0px; spacing: 0px; }"));
    bar.setCornerWidget(m_corner, Qt::TopRightCorner);
    m_corner->hide();
    QObject::connect(m_corner, &QMenuBar::triggered, &bar, &QMenuBar::triggered);
}

QMenu* CUpdatesMenu::Menu() const {
    const QList<QAction*> actions = m_corner->actions();
    return actions.isEmpty() ? nullptr : actions.constFirst()->menu();
}

void CUpdatesMenu::Show(const CUpdatesOffer& offer) {
    if (offer == m_shown)
        return;
    m_shown = offer;
    // An open menu closes with it.
    delete Menu();
    m_corner->clear();
    std::unique_ptr<QMenu> menu =
        offer.mask ? LoadPopupMenu(QStringLiteral("IDR_UPDATES"), 0) : nullptr;
    if (!menu) {
        m_corner->hide();
        return;
    }
    // Item i stays when bit i is set.
    const QList<QAction*> items = menu->actions();
    const QString versions[] = {offer.program, offer.module, offer.charger};
    for (int i = 0; i < items.size(); ++i) {
        if (offer.mask & (1u << i))
            items[i]->setText(items[i]->text() + u' ' + versions[i]);
        else
            menu->removeAction(items[i]);
    }
    QMenu* shown = menu.release();
    shown->setParent(m_corner, shown->windowFlags());
    m_tips.Attach(shown);
    m_corner->addMenu(shown);
    m_corner->show();
}
