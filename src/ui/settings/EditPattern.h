#pragma once

#include <QLineEdit>

// The edit of a vibration pattern: at most kMaxLength steps, "+" for vibration and "0" for
// none. Any other typed character, and a step beyond the last, is dropped with a short beep;
// pasted or dropped text that is no pattern is refused as a whole.
class CEditPattern : public QLineEdit {
    Q_OBJECT
public:
    static constexpr int kMaxLength = 14;

    explicit CEditPattern(QWidget* parent = nullptr);

    // The pattern of the low 14 bits of a feedback mode, step i from bit i, without the
    // trailing steps that do not vibrate.
    static QString FromBits(unsigned mode);
    // The bits of a pattern: bit i for a "+" at step i.
    static unsigned ToBits(const QString& pattern);

signals:
    // A typed character was dropped (and the beep sounded).
    void Refused();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
