#include "ui/settings/EditPattern.h"

#include <QApplication>
#include <QKeyEvent>
#include <QRegularExpressionValidator>

CEditPattern::CEditPattern(QWidget* parent) : QLineEdit(parent) {
    setMaxLength(kMaxLength);
    setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[+0]{0,%1}").arg(kMaxLength)), this));
}

QString CEditPattern::FromBits(unsigned mode) {
    QString pattern;
    int length = 0;
    for (int i = 0; i < kMaxLength; ++i) {
        const bool on = mode & (1u << i);
        pattern += on ? u'+' : u'0';
        if (on)
            length = i + 1;
    }
    return pattern.left(length);
}

unsigned CEditPattern::ToBits(const QString& pattern) {
    unsigned bits = 0;
    for (int i = 0; i < qMin(int(pattern.size()), kMaxLength); ++i) {
        if (pattern[i] == u'+')
            bits |= 1u << i;
    }
    return bits;
}

void CEditPattern::keyPressEvent(QKeyEvent* event) {
    // Only typed characters are checked: editing keys, Enter and Esc keep their meaning.
    const QString typed = event->text();
    const bool character = typed.size() == 1 && typed[0].isPrint();
    if (character) {
        // A step replaces the selection, if any.
        const bool room = text().size() - selectedText().size() < kMaxLength;
        if ((typed[0] != u'+' && typed[0] != u'0') || !room) {
            QApplication::beep();
            event->accept();
            emit Refused();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}
