#include "ui/search.h"

#include "ui/keydispatcher.h"
#include "ui/remotekeys.h"
#include "ui/scene.h"
#include "ui/viewlist.h"

#include <QApplication>
#include <QGraphicsProxyWidget>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

const QString kVerdana = QString::fromUtf16(fonts::Verdana);
// Above the main screen's elements, which stack in the order they were added.
constexpr qreal kSearchZ = 100000;

struct SearchEntry {
    const char16_t *label;
    const char16_t *caption;
    qreal labelX, y;
    const char16_t *box; // nullptr for the two ending entries
    qreal boxX;
};
constexpr SearchEntry kEntries[8] = {
    {u"Search_Label_Name", u"Title Name Contains:", 35, 56, u"Search_Edit_Name", 294},
    {u"Search_Label_Desc", u"Synopsis Contains:", 58, 88, u"Search_Edit_Desc", 294},
    {u"Search_Label_Actors", u"Actor Name Contains:", 24, 120, u"Search_Edit_Actors", 294},
    {u"Search_Label_Directors", u"Director Name Contains:", 750, 56, u"Search_Edit_Directors", 1050},
    {u"Search_Label_Writers", u"Writer Name Contains:", 771, 88, u"Search_Edit_Writers", 1050},
    {u"Search_Label_Producers", u"Producer Name Contains:", 739, 120, u"Search_Edit_Producers", 1050},
    // Labels here draw their text as it is: the ampersand is written once.
    {u"Search_Label_Exit", u"Exit Search & Clear Search Values", 1475, 88, nullptr, 0},
    {u"Search_Label_Browse", u"Browse Results", 1475, 120, nullptr, 0},
};

LabelElement *bandLabel(Scene &scene, const QString &name, const QString &text, qreal x, qreal y, Element *parent)
{
    LabelElement *l = scene.addLabel(name, {x, y, 0, 0}, parent);
    l->setFont(fonts::Make(kVerdana, 24));
    l->setColor(colors::LightSkyBlue);
    l->setAutoSize(true);
    l->setText(text);
    return l;
}

} // namespace

int SearchCursorUp(int cursor) { return cursor > 0 ? cursor - 1 : cursor; }
int SearchCursorDown(int cursor) { return cursor < 7 ? cursor + 1 : cursor; }

int SearchCursorLeft(int cursor)
{
    if (cursor == 6 || cursor == 7)
        return cursor - 2;
    if (cursor >= 3 && cursor <= 5)
        return cursor - 3;
    return cursor;
}

int SearchCursorRight(int cursor)
{
    if (cursor >= 0 && cursor <= 2)
        return cursor + 3;
    if (cursor >= 3 && cursor <= 5)
        return 7;
    return cursor;
}

QString &SearchText(ViewFilter &filter, int box)
{
    switch (box) {
    case 0: return filter.SearchName;
    case 1: return filter.SearchDesc;
    case 2: return filter.SearchActors;
    case 3: return filter.SearchDirectors;
    case 4: return filter.SearchWriters;
    default: return filter.SearchProducers;
    }
}

// Not a child of the window: the window's list of screens owns it.
SearchOverlay::SearchOverlay(ScreenHost &host)
    : ScreenComponent(host), m_window(host.window()), m_screenSaver(host.scene().element(u"ImageScreenSaver1"_qs))
{
    Scene &scene = host.scene();
    ImageElement *band = scene.addImage(u"ImageSearchBackground"_qs, {0, 0, 1920, 160});
    m_band = band;
    band->setBackground(QColor(0x08, 0x12, 0x24, 235));
    band->setZValue(kSearchZ);
    band->hide();

    LabelElement *header = scene.addLabel(u"Search_Label_Header"_qs, {0, 12, 1920, 32}, band);
    header->setFont(fonts::Make(kVerdana, 24));
    header->setColor(colors::GhostWhite);
    header->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    header->setText(u"Real-Time Search  -  do not use wildcards; separate several terms of one box with commas "
                    "(for example: Tom Hanks, Meg Ryan)"_qs);
    bandLabel(scene, u"Search_Label_Tip"_qs, u"Tip: Enter/OK to escape text box"_qs, 1475, 44, band)
        ->setColor(colors::GhostWhite);

    for (int i = 0; i < 8; ++i) {
        const SearchEntry &e = kEntries[i];
        m_entries[i] = bandLabel(scene, QString::fromUtf16(e.label), QString::fromUtf16(e.caption), e.labelX, e.y, band);
        if (!e.box)
            continue;
        ImageElement *holder = scene.addImage(QString::fromUtf16(e.box), {e.boxX, e.y - 2, 365, 32}, band);
        holder->hide();
        m_holders[i] = holder;
        auto *edit = new QLineEdit;
        edit->setObjectName(QString::fromUtf16(e.box));
        edit->setFrame(false);
        edit->setFont(fonts::Make(kVerdana, 22));
        edit->setStyleSheet(u"QLineEdit { background: #F8F8FF; color: #000000; border: 2px solid #87CEFA; }"_qs);
        edit->resize(365, 32);
        auto *proxy = new QGraphicsProxyWidget(holder);
        proxy->setWidget(edit);
        proxy->setGeometry({0, 0, 365, 32});
        m_boxes[i] = edit;
    }
    m_window->installEventFilter(this);
}

SearchOverlay::~SearchOverlay()
{
    m_window->removeEventFilter(this);
}

void SearchOverlay::registerKeys(KeyDispatcher &dispatcher)
{
    // Moves the cursor and redraws; a refused move changes nothing.
    auto move = [this](int (*rule)(int)) {
        return [this, rule] {
            const int next = rule(SearchCursor);
            if (next == SearchCursor)
                return;
            SearchCursor = next;
            ShowSearch();
        };
    };
    ModeKeys k;
    k.Up = move(SearchCursorUp);
    k.Down = move(SearchCursorDown);
    k.Left = move(SearchCursorLeft);
    k.Right = move(SearchCursorRight);
    k.Enter = [this] { Choose(); };
    dispatcher.setMode(smSearch, std::move(k));
    // Typing: the box takes the keys (see eventFilter), the dispatcher only
    // does its common work.
    dispatcher.setMode(smSearchEdit, ModeKeys{});
}

void SearchOverlay::dumpState(QJsonObject &state) const
{
    state[u"SearchCursor"_qs] = SearchCursor;
    QJsonObject texts;
    ViewFilter filter = browser().Filter;
    const char16_t *names[6] = {u"SearchName", u"SearchDesc", u"SearchActors", u"SearchDirectors", u"SearchWriters",
                                u"SearchProducers"};
    for (int i = 0; i < 6; ++i)
        texts[QString::fromUtf16(names[i])] = SearchText(filter, i);
    state[u"Search"_qs] = texts;
}

QLineEdit *SearchOverlay::box(int index) const
{
    return index >= 0 && index < 6 ? m_boxes[index] : nullptr;
}

QLineEdit *SearchOverlay::openBox() const
{
    return box(m_openBox);
}

void SearchOverlay::Open()
{
    browser().ScreenMode = smSearch;
    SearchCursor = 0;
    ShowSearch();
}

void SearchOverlay::ShowSearch()
{
    ViewFilter &filter = browser().Filter;
    for (int i = 0; i < 8; ++i) {
        LabelElement *l = m_entries[i];
        l->setColor(i == SearchCursor ? QColor(Qt::white) : colors::LightSkyBlue);
        if (i < 6)
            l->setText(QString::fromUtf16(kEntries[i].caption) + u" \""_qs + SearchText(filter, i) + u"\""_qs);
    }
    m_band->show();
}

void SearchOverlay::Choose()
{
    BrowserState &b = browser();
    if (SearchCursor >= 0 && SearchCursor <= 5) {
        b.ScreenMode = smSearchEdit;
        m_openBox = SearchCursor;
        QLineEdit *edit = m_boxes[m_openBox];
        edit->setText(SearchText(b.Filter, m_openBox));
        edit->end(false);
        m_holders[m_openBox]->show();
        edit->setFocus();
        // The box sees Enter before the dispatcher and keeps it.
        host().dispatcher().setFieldFilter([this](quint16 &Key, QChar &) {
            if (browser().ScreenMode == smSearchEdit && Key == vk::Return && !screenSaverShowing()) {
                EndEdit();
                Key = 0;
            }
        });
        return;
    }
    if (SearchCursor == 6) {
        for (int i = 0; i < 6; ++i)
            SearchText(b.Filter, i).clear();
    }
    b.ScreenMode = smIconBar;
    hideOverlay();
    host().SortItems();
}

void SearchOverlay::EndEdit()
{
    if (m_openBox < 0)
        return;
    m_holders[m_openBox]->hide();
    m_boxes[m_openBox]->clearFocus();
    m_openBox = -1;
    host().dispatcher().setFieldFilter({});
    browser().ScreenMode = smSearch;
    ShowSearch();
}

void SearchOverlay::hideOverlay()
{
    for (ImageElement *holder : m_holders)
        holder->hide();
    m_band->hide();
}

bool SearchOverlay::screenSaverShowing() const
{
    return m_screenSaver && m_screenSaver->isShown();
}

bool SearchOverlay::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_window || m_openBox < 0 || browser().ScreenMode != smSearchEdit)
        return false;
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        // The key that ends the screensaver is used up; Enter belongs to the
        // dispatcher's field filter. Either way the form still sees the key.
        if (screenSaverShowing() || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            return false;
        QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->nativeScanCode(), key->nativeVirtualKey(),
                       key->nativeModifiers(), key->text(), key->isAutoRepeat(), ushort(key->count()));
        QApplication::sendEvent(m_boxes[m_openBox], &copy);
        return false;
    }
    if (event->type() == QEvent::KeyRelease) {
        QString &text = SearchText(browser().Filter, m_openBox);
        text = m_boxes[m_openBox]->text();
        // Mode 37 is kept: the carousel follows while the user types on.
        host().SortItems();
        return false;
    }
    return false;
}
