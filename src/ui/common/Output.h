#pragma once

#include <QImage>
#include <QListWidget>

class QIODevice;

// One line of an output list: its text and status dot (0 none, 1 green, 2 yellow, 3 red).
struct COutputLine {
    QString text;
    int state = 0;
};

// How a line's prefix is shown: "#1" green, "#2" yellow, "#3" red and the rest after the
// prefix; "#" and any other character: the state in that character's low four bits (above 3:
// none); "##": the line without its first "#"; anything else as it is.
COutputLine ParseOutputLine(const QString& line);

// The one-column output list with status dots. While it is empty it shows the logo: a
// CustomerLogo.png/.jpg/.bmp/.gif/.tif of the program folder, else the maker's.
class COutput : public QListWidget {
    Q_OBJECT
public:
    // menuName: the pop-up menu shown on a right click (without language suffix).
    explicit COutput(const QString& menuName, QWidget* parent = nullptr);

    // Appends each piece of text between line feeds as a line and shows the last.
    void AddText(const QString& text);
    // Writes the text of every non-empty line with a line feed; the dots are not written.
    bool WriteTo(QIODevice& file) const;
    // Asks for a text file and writes the lines to it; nothing when the list is empty.
    void SaveAs();
    void Clear() { clear(); }
    // The dots; without them the prefixes still select the text but no dot is shown.
    void CreateStatusImages();
    // The width that shows each of lines (with their prefixes) whole, frame and vertical scroll
    // bar included.
    int WidthFor(const QStringList& lines) const;
    // The width the list asks for in a layout; 0 gives the usual one.
    void SetPreferredWidth(int width);
    QSize sizeHint() const override;

    const QImage& Logo() const { return m_logo; }
    // The logo from folder, or the maker's when there is none.
    static QImage LoadLogo(const QString& folder);

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QString m_menuName;
    QImage m_logo;
    QList<QIcon> m_states;
    int m_nPreferredWidth = 0;
};
