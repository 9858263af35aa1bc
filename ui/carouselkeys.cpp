#include "ui/carouselkeys.h"

#include "app/tform1.h"
#include "model/localdatabase.h"
#include "model/markers.h"
#include "ui/carousel.h"
#include "ui/keydispatcher.h"
#include "ui/messages.h"
#include "ui/remotekeys.h"

#include <QElapsedTimer>

#include <memory>

QChar MultiTap::press(QChar c, qint64 nowMs)
{
    static constexpr const char16_t *kLetters[8] = {u"ABC", u"DEF", u"GHI", u"JKL", u"MNO", u"PQRS", u"TUV", u"WXYZ"};
    if (c < u'2' || c > u'9')
        return c;
    const int d = c.unicode() - u'2';
    Digit &digit = m_digits[d];
    if (digit.pressed && nowMs - digit.lastMs < kRepeatMs)
        ++digit.count;
    else
        digit.count = 1;
    digit.lastMs = nowMs;
    digit.pressed = true;
    const QString letters = QString::fromUtf16(kLetters[d]);
    if (digit.count > letters.size() + 1)
        digit.count = 1;
    return digit.count == 1 ? c : letters.at(digit.count - 2);
}

namespace {

qint64 steadyNowMs()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.elapsed();
}

// A jump refills the whole carousel around the new focus.
void jumpTo(TForm1 &f, qint32 position)
{
    f.FocusIndex = position;
    f.ScreenMode = position % 2 ? smRowB : smRowA;
    f.LoadCoverArt(f.FocusIndex);
    f.UpdateDetails();
}

// Toggles one marker of the focused title, stores the collection and redraws
// the focused cover. A marker that cannot be written leaves the title as it
// was on disk and says why.
void toggleMarker(TForm1 &f, MarkerResult (*toggle)(tTitle &))
{
    if (f.FocusTitle < 0 || f.FocusTitle >= f.Titles.Title.size())
        return;
    const MarkerResult result = toggle(f.Titles.Title[f.FocusTitle]);
    if (result.ok)
        UpdateLocalDB(f.Titles, f.AppPath, f.ProgVersion);
    else
        messages::ShowError(result.error, &f);
    f.carousel().RecomposeFocusCover();
}

ModeKeys carouselKeys(TForm1 &f, const std::shared_ptr<MultiTap> &multiTap)
{
    ModeKeys k;
    k.DetailsAfterKey = true;
    k.Backspace = [&f] { f.dispatcher().suppressDetails(); };
    k.Escape = [&f] { toggleMarker(f, &ToggleWatchedStatus); };
    k.Star = [&f] { toggleMarker(f, &ToggleWatchList); };

    // No wrap: at the first or last column Left and Right do nothing.
    k.Left = [&f] {
        if (f.FocusIndex > 1) {
            f.FocusIndex -= 2;
            f.ShiftCoverArt(u"Left"_qs);
            f.UpdateDetails();
        }
    };
    k.Right = [&f] {
        if (f.FocusIndex + 2 < f.ViewList.size()) {
            f.FocusIndex += 2;
            f.ShiftCoverArt(u"Right"_qs);
            f.UpdateDetails();
        }
    };
    k.Up = [&f] {
        if (f.ScreenMode == smRowA) {
            // To the icon bar; the focused position stays.
            f.ScreenMode = smIconBar;
            f.UpdateIcons();
        } else {
            f.FocusIndex -= 1;
            f.ScreenMode = smRowA;
            f.UpdateDetails();
        }
        f.ShiftCoverArt(u"Up"_qs);
    };
    k.Down = [&f] {
        if (f.FocusIndex + 1 >= f.ViewList.size())
            return;
        f.FocusIndex += 1;
        if (f.ScreenMode == smRowA) {
            f.ScreenMode = smRowB;
            f.ShiftCoverArt(u"Down"_qs);
        } else {
            // From the bottom row to the top of the next column.
            f.ScreenMode = smRowA;
            f.ShiftCoverArt(u"Right"_qs);
        }
        f.UpdateDetails();
    };

    k.MediaJump = [&f](quint16 key) {
        if (f.ViewList.isEmpty())
            return;
        const qint32 last = qint32(f.ViewList.size()) - 1;
        qint64 target = f.FocusIndex;
        switch (key) {
        case vk::MediaNextTrack: target = last; break;
        case vk::MediaPrevTrack: target = 0; break;
        case vk::Comma: target -= 60; break;
        case vk::Period: target += 60; break;
        case vk::LBracket: target -= 20; break;
        case vk::RBracket: target += 20; break;
        default: return;
        }
        jumpTo(f, qint32(qBound(qint64(0), target, qint64(last))));
    };
    k.Play = [&f] { f.PlayTitle(f.FanArtTitle >= 0 ? f.FanArtTitle : f.FocusTitle); };
    k.Character = [&f, multiTap](QChar c) {
        const QChar letter = multiTap->press(c, steadyNowMs());
        ViewListResult index;
        index.LetterIndex = f.LetterIndex;
        const qint32 position = index.letterPosition(letter);
        if (position >= 0 && position < f.ViewList.size())
            jumpTo(f, position);
    };
    return k;
}

} // namespace

void RegisterCarouselKeys(KeyDispatcher &dispatcher, TForm1 &form)
{
    // Both rows share one multi-tap state: a digit's letters go on across rows.
    const auto multiTap = std::make_shared<MultiTap>();
    const ModeKeys keys = carouselKeys(form, multiTap);
    dispatcher.setMode(smRowA, keys);
    dispatcher.setMode(smRowB, keys);
}
