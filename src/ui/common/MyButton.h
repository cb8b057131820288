#pragma once

#include "graphs/Brand.h"

#include <QColor>
#include <QFont>
#include <QPainterPath>
#include <QPushButton>

// The outline of every custom button: a rectangle with corners of 8 px arcs.
QPainterPath RoundedPath(const QRectF& rect);

// The focus mark of the custom buttons: a dark shade of the brand colour.
inline const QColor kFocusColour(11, 77, 88);

// A push button with a rounded, anti-aliased face and border. The default button of its dialog
// gets a border twice as thick; the focused one a dotted rounded focus path.
class CMyButton : public QPushButton {
    Q_OBJECT
public:
    explicit CMyButton(const QString& text = QString(), QWidget* parent = nullptr);

    // An invalid colour means none: no border of its own, no hot fill, no face.
    QColor borderColour;
    QColor activeFillColour;
    QColor faceColour;
    QColor textColour;
    QColor hotTextColour;

    // Whether the mouse is over the button.
    bool IsHot() const { return underMouse() && isEnabled(); }
    // The border width drawn: 2 for the dialog's default button, else 1.
    qreal BorderWidth() const { return isDefault() ? 2.0 : 1.0; }

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A font from a size in tenths of a point and a face name.
class CKelvoraFont : public QFont {
public:
    CKelvoraFont(int tenthsOfPoint, const QString& face);
};

// The brand button: teal text and teal rounded border on the normal button face; black text
// on a teal face while the mouse is over it. Dialogs use sizes 100 and 110.
class CKelvoraButton : public CMyButton {
    Q_OBJECT
public:
    explicit CKelvoraButton(int tenthsOfPoint, const QString& text = QString(),
                            QWidget* parent = nullptr);
};
