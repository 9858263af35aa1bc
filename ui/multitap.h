#pragma once
// Phone-keypad letters on the digits 2 to 9, for the carousel's letter jump.

#include <QChar>
#include <QtGlobal>

#include <array>

// Pressing a digit again within kRepeatMs of its previous press steps
// through its letters (2 ABC, 3 DEF, ..., 7 PQRS, 9 WXYZ) and then back to
// the digit. Each digit keeps its own count and time. Other characters are
// taken as they are.
class MultiTap
{
public:
    static constexpr qint64 kRepeatMs = 2592; // 0.00003 days

    // The character that a press of `c` at `nowMs` (a steady clock) stands for.
    QChar press(QChar c, qint64 nowMs);

private:
    struct Digit {
        qint64 lastMs = 0;
        int count = 1;
        bool pressed = false;
    };
    std::array<Digit, 8> m_digits; // '2' to '9'
};
