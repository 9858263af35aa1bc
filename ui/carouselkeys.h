#pragma once
// The keys of the two carousel rows (screen modes 1 and 2): moving the focus,
// page and end jumps, digit and letter jumps, the watched and watch-list
// toggles, play, and keeping the details pop-up closed.

#include <QChar>
#include <QtGlobal>

#include <array>

class KeyDispatcher;
class TForm1;

void RegisterCarouselKeys(KeyDispatcher &dispatcher, TForm1 &form);

// Phone-keypad letters on the digits 2 to 9: pressing a digit again within
// kRepeatMs of its previous press steps through its letters (2 ABC, 3 DEF,
// ..., 7 PQRS, 9 WXYZ) and then back to the digit. Each digit keeps its own
// count and time. Other characters are taken as they are.
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
