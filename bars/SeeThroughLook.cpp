#include "bars/SeeThroughLook.h"

#include "platform/ScreenCopy.h"
#include "bars/BarLook.h"
#include "bars/ReadableColour.h"

#include <QEvent>
#include <QPainter>
#include <QWidget>

SeeThroughLook::SeeThroughLook(QWidget* bar, std::function<void()> recolour)
    : m_bar(bar), m_recolour(std::move(recolour))
{
    bar->installEventFilter(this);
}

void SeeThroughLook::Refresh()
{
    m_backBrush = m_seeThrough ? QBrush(ScreenCopyDC.PixelAt(m_samplePoint)) : QBrush();
    if (m_recolour)
        m_recolour();
    else
        m_bar->setPalette(BackgroundPalette());
    m_bar->update();
}

void SeeThroughLook::Reset()
{
    m_seeThrough = false;
    m_samplePoint = m_bar->mapToGlobal(QPoint(0, 0));
    Refresh();
}

void SeeThroughLook::Paint(QPainter& painter) const
{
    if (m_seeThrough)
        painter.fillRect(m_bar->rect(), m_backBrush);
    else
        DrawRaisedFrame(m_bar, painter);
}

QPalette SeeThroughLook::BackgroundPalette(QPalette base) const
{
    // A palette sets only the roles given here; the rest stays inherited.
    // The screen under a bar may be dark or light whatever the desktop's
    // palette says, so the texts on it are made to read there.
    if (m_seeThrough) {
        const QColor back = m_backBrush.color();
        for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button})
            base.setColor(role, back);
        for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            base.setColor(role, ReadableOn(base.color(role), back));
    }
    return base;
}

// Only the bar's own moves count; its controls move with it.
bool SeeThroughLook::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_bar && event->type() == QEvent::Move) {
        m_samplePoint = m_bar->mapToGlobal(QPoint(0, 0));
        if (m_seeThrough)
            Refresh();
    }
    return false;
}
