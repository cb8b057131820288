#include "ui/common/Output.h"

#include "base/AnsiCodec.h"
#include "base/AppInfo.h"
#include "graphs/Logos.h"
#include "ui/common/PopupMenu.h"
#include "ui/common/TipDialog.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QPainter>
#include <QScrollBar>

COutputLine ParseOutputLine(const QString& line) {
    if (line.size() < 2 || line[0] != u'#')
        return {line, 0};
    if (line[1] == u'#')
        return {line.mid(1), 0};
    const int state = line[1].unicode() & 0xF;
    return {line.mid(2), state <= 3 ? state : 0};
}

COutput::COutput(const QString& menuName, QWidget* parent)
    : QListWidget(parent), m_menuName(menuName), m_logo(LoadLogo(ProgramFolder())) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTextElideMode(Qt::ElideRight);
}

QImage COutput::LoadLogo(const QString& folder) {
    for (const char* ext : {"png", "jpg", "bmp", "gif", "tif"}) {
        const QString path =
            QDir(folder).filePath(QStringLiteral("CustomerLogo.") + QLatin1String(ext));
        if (QFile::exists(path)) {
            QImage image(path);
            if (!image.isNull())
                return image;
        }
    }
    return KelvoraLogo();
}

void COutput::CreateStatusImages() {
    m_states.clear();
    for (const QColor& colour : {QColor(0, 128, 0), QColor(255, 255, 0), QColor(255, 0, 0)}) {
        QPixmap dot(12, 12);
        dot.fill(Qt::transparent);
        QPainter painter(&dot);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(colour);
        painter.drawEllipse(QRectF(0.5, 0.5, 10, 10));
        m_states << QIcon(dot);
    }
    setIconSize(QSize(12, 12));
}

int COutput::WidthFor(const QStringList& lines) const {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    int widest = 0;
    for (const QString& text : lines) {
        const COutputLine line = ParseOutputLine(text);
        option.text = line.text;
        option.features = QStyleOptionViewItem::HasDisplay;
        option.icon = QIcon();
        if (line.state > 0 && line.state <= m_states.size()) {
            option.features |= QStyleOptionViewItem::HasDecoration;
            option.icon = m_states[line.state - 1];
        }
        const QSize item =
            style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this);
        widest = qMax(widest, item.width());
    }
    return widest + 2 * (frameWidth() + spacing()) + verticalScrollBar()->sizeHint().width();
}

void COutput::SetPreferredWidth(int width) {
    m_nPreferredWidth = width;
    updateGeometry();
}

QSize COutput::sizeHint() const {
    QSize size = QListWidget::sizeHint();
    if (m_nPreferredWidth > 0)
        size.setWidth(m_nPreferredWidth);
    return size;
}

void COutput::AddText(const QString& text) {
    setUpdatesEnabled(false);
    for (const QString& piece : text.split(u'\n')) {
        const COutputLine line = ParseOutputLine(piece);
        auto* item = new QListWidgetItem(line.text);
        item->setToolTip(line.text);
        if (line.state > 0 && line.state <= m_states.size())
            item->setIcon(m_states[line.state - 1]);
        item->setData(Qt::UserRole, line.state);
        addItem(item);
    }
    setUpdatesEnabled(true);
    scrollToBottom();
}

bool COutput::WriteTo(QIODevice& file) const {
    QByteArray bytes;
    for (int i = 0; i < count(); ++i) {
        const QString text = item(i)->text();
        if (!text.isEmpty())
            bytes += ToAnsi(text) + '\n';
    }
    return file.write(bytes) == bytes.size();
}

void COutput::SaveAs() {
    if (count() == 0)
        return;
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("Text (*.txt)"));
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    QFile file(dialog.selectedFiles().constFirst());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        WriteTo(file);
}

void COutput::paintEvent(QPaintEvent* event) {
    QListWidget::paintEvent(event);
    if (count() > 0 || m_logo.isNull())
        return;
    QPainter painter(viewport());
    const QSize area = viewport()->size();
    QPoint at(0, 0);
    if (m_logo.width() < area.width() && m_logo.height() < area.height())
        at = QPoint((area.width() - m_logo.width()) / 2, (area.height() - m_logo.height()) / 2);
    painter.drawImage(at, m_logo);
}

void COutput::contextMenuEvent(QContextMenuEvent*) {
    if (count() == 0)
        return;
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        if (auto* owner = qobject_cast<CTipDialog*>(w)) {
            ShowPopupMenu(m_menuName, 0, owner);
            return;
        }
    }
}

void COutput::resizeEvent(QResizeEvent* event) {
    QListWidget::resizeEvent(event);
    viewport()->update();
}
