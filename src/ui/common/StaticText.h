#pragma once

#include <QColor>
#include <QWidget>

// A text on a background of its own colour, with an inner margin. Lines break at line feeds
// only, unless word wrapping is switched on.
class CStaticText : public QWidget {
    Q_OBJECT
public:
    explicit CStaticText(QWidget* parent = nullptr);

    void SetText(const QString& text);
    const QString& Text() const { return m_text; }
    void SetWordWrap(bool wrap);
    // The size the text needs, margins included, when lines may be at most maxTextWidth wide.
    QSize TextSize(int maxTextWidth) const;

    int margin = 0;
    QColor textColour = Qt::black;
    QColor backColour = Qt::white;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int TextFlags() const;

    QString m_text;
    bool m_wordWrap = false;
};
