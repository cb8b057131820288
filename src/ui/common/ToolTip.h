#pragma once

#include <QHash>
#include <QLabel>
#include <QPointer>

#include <functional>

class QAction;
class QMenu;

// A tip window: a borderless label that wraps long texts at its maximum width and breaks
// lines at "\n".
class CTipWindow : public QLabel {
    Q_OBJECT
public:
    explicit CTipWindow(int maxWidth);
    // Shows text with its top-left corner at the screen point at; an empty text hides the tip.
    void ShowAt(const QPoint& at, const QString& text);
};

// The tip of a dialog's controls. The dialog reports which control the mouse is over; the tip
// of a registered control appears 16 px right of it, level with its top.
class CToolTip : public CTipWindow {
    Q_OBJECT
public:
    // Supplies the text of a control registered without one, when the tip is shown.
    using TextSource = std::function<QString(QWidget* control)>;

    explicit CToolTip(int maxWidth, TextSource source = {});

    void AddTool(QWidget* control, const QString& text = QString());
    // The text of a string-table entry.
    void AddTool(QWidget* control, int textId);
    bool HasTool(QWidget* control) const { return m_tools.contains(control); }

    // The mouse moved over control (null: over no control).
    void MouseOver(QWidget* control);
    // Anything else happened: the tip goes away until the mouse reaches another control.
    void Deactivate();

    QWidget* LastControl() const { return m_last; }

private:
    QHash<QWidget*, QString> m_tools;
    TextSource m_source;
    QPointer<QWidget> m_last;
};

// The tip of menu items: the string-table entry with the item's command id, shown at the
// bottom-right corner of the highlighted item. Disabled items and items that open a submenu
// show none.
class CMenuTip : public CTipWindow {
    Q_OBJECT
public:
    explicit CMenuTip(int maxWidth);
    void Attach(QMenu* menu);
    // The tip text of an item, empty when it shows none.
    static QString TextOf(const QAction* action);

private:
    void OnHovered(QMenu* menu, QAction* action);
};

// The command id of a menu item or a control, kept with the object.
void SetCommandId(QObject* object, int id);
int CommandId(const QObject* object);
