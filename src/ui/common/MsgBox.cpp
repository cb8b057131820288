#include "ui/common/MsgBox.h"

#include "base/Texts.h"
#include "ui/common/MyButton.h"
#include "ui/common/StaticText.h"

#include <QApplication>
#include <QCloseEvent>

namespace {

constexpr int kMargin = 8;
// Lines longer than this wrap, so that a long message does not make the box wider than usual
// screens.
constexpr int kMaxTextWidth = 420;
const QSize kButtonSize(84, 26);

} // namespace

CMsgBox::CMsgBox(const QString& text, const QString& caption, unsigned style, QWidget* parent)
    : QDialog(parent), m_first(new CKelvoraButton(100, QString(), this)),
      m_text(new CStaticText(this)) {
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    // A window without a title shows as "Untitled" in some window managers.
    setWindowTitle(caption.isEmpty() ? QCoreApplication::applicationName() : caption);
    m_text->margin = kMargin;
    m_text->textColour = QColor(22, 154, 175);
    m_text->backColour = Qt::white;
    m_text->SetWordWrap(true);
    m_text->SetText(text);

    int firstText = TXT_BUTTON_OK;
    int secondText = 0;
    switch (style & 0xF) {
    case MB_OKCANCEL:
        secondText = TXT_BUTTON_CANCEL;
        break;
    case MB_YESNO:
        firstText = TXT_BUTTON_YES, secondText = TXT_BUTTON_NO;
        m_nFirstResult = IDYES, m_nSecondResult = IDNO;
        break;
    case MB_RETRYCANCEL:
        firstText = TXT_BUTTON_RETRY, secondText = TXT_BUTTON_CANCEL;
        m_nFirstResult = IDRETRY;
        break;
    default:
        break;
    }
    // The first button is the default; whichever button has the focus takes Enter, so that Tab
    // to "No" and Enter answers No.
    m_first->setText(LoadText(firstText));
    m_first->setAutoDefault(true);
    m_first->setDefault(true);
    connect(m_first, &QPushButton::clicked, this, [this] { done(m_nFirstResult); });
    if (secondText) {
        m_second = new CKelvoraButton(100, LoadText(secondText), this);
        m_second->setAutoDefault(true);
        connect(m_second, &QPushButton::clicked, this, [this] { done(m_nSecondResult); });
    }
    Layout();
}

void CMsgBox::Layout() {
    QSize area = m_text->TextSize(kMaxTextWidth);
    area.setWidth(qMax(area.width(), kButtonSize.width() * 2 + 32));
    m_text->setGeometry(QRect(QPoint(0, 0), area));

    const QSize client(area.width(), area.height() + kButtonSize.height() + 16);
    setFixedSize(client);
    const QPoint rightmost(client.width() - kMargin - kButtonSize.width(),
                           client.height() - kMargin - kButtonSize.height());
    if (m_second) {
        m_second->setGeometry(QRect(rightmost, kButtonSize));
        m_first->setGeometry(QRect(rightmost - QPoint(kButtonSize.width() + 16, 0), kButtonSize));
    } else {
        m_first->setGeometry(QRect(rightmost, kButtonSize));
    }
    m_first->setFocus();
}

void CMsgBox::reject() {
    // Esc gives the harmless answer: the second button's (Cancel, No), Cancel in an OK box.
    done(m_second ? m_nSecondResult : 2);
}

void CMsgBox::closeEvent(QCloseEvent* event) {
    // The title bar's close button acts like Esc.
    event->ignore();
    reject();
}

void InstallMessageBox() {
    SetMessageBoxHandler([](const QString& text, unsigned style, const QString& caption) {
        CMsgBox box(text, caption, style, QApplication::activeWindow());
        return box.exec();
    });
}
