#include "play/discselection.h"

#include "ui/elements.h"
#include "ui/keydispatcher.h"
#include "ui/scene.h"

#include <QJsonArray>

#include <algorithm>

namespace {
const QColor kBox(0x08, 0x12, 0x24, 235);
constexpr qreal kBoxY = 170;
constexpr qreal kClipY = 70;
constexpr int kFadeMs = 200; // ten steps of a tenth, 20 ms apart
} // namespace

namespace discselection {

QSizeF BoxSize(int discs, qreal widest)
{
    const int rows = std::min(discs, kMaxRows);
    return {std::max<qreal>(widest, kMinTextWidth) + 50, qreal(kRowHeight * rows + 157)};
}

qreal ColumnY(int selected, int discs)
{
    const int s = selected >= discs ? discs - 1 : selected;
    if (s < kMaxRows)
        return 0;
    return 650 - kRowHeight * s;
}

} // namespace discselection

DiscSelection::DiscSelection(ScreenHost &host) : ScreenComponent(host)
{
    Scene &scene = host.scene();
    m_box = scene.addImage(u"ImageSelectDiscBackground"_qs, {610, kBoxY, 700, 207});
    m_box->setBackground(kBox);
    m_box->setFlag(QGraphicsItem::ItemClipsChildrenToShape);
    m_box->hide();

    QFont headerFont = fonts::Make(QString::fromUtf16(fonts::Arial), 40);
    headerFont.setUnderline(true);
    m_header = scene.addLabel(u"SelectDisc_Label_Header"_qs, {0, 10, 700, 60}, m_box);
    m_header->setFont(headerFont);
    m_header->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_header->setColor(colors::LightSkyBlue);
    m_header->setText(u"Select Disc to Play"_qs);

    m_clip = scene.addImage(u"SelectDisc_Image_ClipWindow"_qs, {0, kClipY, 700, 50});
    m_clip->setParentItem(m_box);
    m_clip->setFlag(QGraphicsItem::ItemClipsChildrenToShape);
    m_column = scene.addImage(u"SelectDisc_Image_DiscLabels"_qs, {0, 0, 700, 50}, m_clip);

    m_cancel = scene.addLabel(u"SelectDisc_Label_Cancel"_qs, {0, 140, 700, 60}, m_box);
    m_cancel->setFont(fonts::Make(QString::fromUtf16(fonts::Arial), 40, true));
    m_cancel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_cancel->setColor(colors::LightSkyBlue);
    m_cancel->setText(u"Cancel"_qs);
}

DiscSelection::~DiscSelection() = default;

void DiscSelection::registerKeys(KeyDispatcher &dispatcher)
{
    ModeKeys k;
    k.Up = [this] { up(); };
    k.Down = [this] { down(); };
    k.Enter = [this] { close(SelectedDisc >= m_discLabels.size()); };
    k.Backspace = [this] { close(true); };
    dispatcher.setMode(smSelectDisc, k);
}

void DiscSelection::dumpState(QJsonObject &state) const
{
    state.insert(u"SelectedDisc"_qs, SelectedDisc);
    QJsonArray discs;
    for (const LabelElement *l : m_discLabels)
        discs.append(l->text());
    state.insert(u"SelectDiscNames"_qs, discs);
}

bool DiscSelection::isOpen() const
{
    return m_shown;
}

void DiscSelection::Open(qint32 titleIndex, std::function<void(qint32)> done)
{
    m_done = std::move(done);
    m_savedMode = browser().ScreenMode;
    browser().ScreenMode = smSelectDisc;
    SelectedDisc = 0;
    ShowSelectDisc(titleIndex);
}

void DiscSelection::ShowSelectDisc(qint32 titleIndex)
{
    if (!m_shown)
        open(titleIndex);
    highlight();
}

void DiscSelection::open(qint32 titleIndex)
{
    Scene &scene = host().scene();
    for (LabelElement *l : std::as_const(m_discLabels))
        scene.removeElement(l);
    m_discLabels.clear();
    m_title = titleIndex;
    m_shown = true;

    const tTitles &titles = host().titles();
    const QList<tDiscInfo> discs =
        titleIndex >= 0 && titleIndex < titles.Title.size() ? titles.Title.at(titleIndex).DiscInfo : QList<tDiscInfo>();
    const QFont font = fonts::Make(QString::fromUtf16(fonts::Arial), 32);
    qreal widest = 0;
    for (qsizetype i = 0; i < discs.size(); ++i) {
        LabelElement *l = scene.addLabel(u"SelectDisc_Label_Disc%1"_qs.arg(i),
                                         {20, qreal(discselection::kRowHeight * i), 0, 47}, m_column);
        l->setFont(font);
        l->setColor(colors::LightSkyBlue);
        l->setAutoSize(true);
        l->setText(discs.at(i).Name);
        widest = std::max(widest, l->textWidth());
        m_discLabels << l;
    }
    const int rows = std::min<int>(int(discs.size()), discselection::kMaxRows);
    const QSizeF size = discselection::BoxSize(int(discs.size()), widest);
    const qreal textWidth = size.width() - 50;
    m_box->setGeometry({(1920 - size.width()) / 2, kBoxY, size.width(), size.height()});
    m_header->setSize({size.width(), m_header->size().height()});
    m_cancel->setGeometry({0, size.height() - 67, size.width(), m_cancel->size().height()});
    m_clip->setGeometry({0, kClipY, textWidth + 40, qreal(discselection::kRowHeight * rows)});
    m_column->setGeometry({0, 0, textWidth + 40, qreal(discselection::kRowHeight * discs.size())});

    m_box->setOpacity(0);
    m_box->show();
    m_box->fadeTo(1.0, kFadeMs);
}

void DiscSelection::highlight()
{
    const qsizetype n = m_discLabels.size();
    for (qsizetype i = 0; i < n; ++i)
        m_discLabels.at(i)->setColor(i == SelectedDisc ? QColor(Qt::white) : colors::LightSkyBlue);
    m_cancel->setColor(SelectedDisc == n ? QColor(Qt::white) : colors::LightSkyBlue);
    m_column->setPos(0, discselection::ColumnY(SelectedDisc, int(n)));
}

void DiscSelection::up()
{
    if (SelectedDisc > 0) {
        --SelectedDisc;
        ShowSelectDisc(m_title);
    }
}

void DiscSelection::down()
{
    if (SelectedDisc < m_discLabels.size()) {
        ++SelectedDisc;
        ShowSelectDisc(m_title);
    }
}

void DiscSelection::close(bool cancelled)
{
    if (cancelled)
        SelectedDisc = -1;
    m_box->hide();
    m_shown = false;
    browser().ScreenMode = m_savedMode;
    if (auto done = std::exchange(m_done, {}))
        done(SelectedDisc);
}
