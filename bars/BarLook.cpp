#include "bars/BarLook.h"

#include "platform/DrawingObjects.h"

#include <QApplication>
#include <QChildEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QStyleHints>
#include <QWidget>
#include <QWindow>

#if VOKABO_HAVE_XCB
#include <QGuiApplication>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#endif

namespace {

constexpr char kDragFilterName[] = "barDragFilter";
constexpr char kTaskbarFilterName[] = "barTaskbarFilter";

// Follows one left-button press on the bar or any of its controls. The press
// itself reaches the control; only a movement beyond the drag distance turns
// it into a move of the bar, and then the control gets a release outside
// itself so that a button does not stay down or click.
class BarDragFilter : public QObject {
public:
    BarDragFilter(QWidget* bar, std::function<void()> dragStarted)
        : QObject(bar), m_bar(bar), m_dragStarted(std::move(dragStarted))
    {
        setObjectName(QLatin1String(kDragFilterName));
        Watch(bar);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::ChildAdded:
        case QEvent::ChildPolished:
            if (QObject* child = static_cast<QChildEvent*>(event)->child(); child && child->isWidgetType())
                Watch(child);
            return false;
        case QEvent::MouseButtonPress:
            return OnPress(watched, static_cast<QMouseEvent*>(event));
        case QEvent::MouseMove:
            return OnMove(static_cast<QMouseEvent*>(event));
        case QEvent::MouseButtonRelease:
            return OnRelease(static_cast<QMouseEvent*>(event));
        default:
            return false;
        }
    }

private:
    void Watch(QObject* object)
    {
        if (object == this)
            return;
        object->installEventFilter(this);
        for (QObject* child : object->children())
            if (child->isWidgetType())
                Watch(child);
    }

    bool OnPress(QObject* watched, QMouseEvent* event)
    {
        if (m_releasing || event->button() != Qt::LeftButton)
            return false;
        // Owned windows (another bar, a message box, a context menu) are
        // children too, but a press there is theirs.
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || widget->window() != m_bar)
            return false;
        // A press that a control ignored travels on to its parent: keep the
        // widget that saw it first, which holds the mouse until release.
        if (m_pressed && m_pressGlobal == event->globalPosition().toPoint() && !m_dragging)
            return false;
        m_pressed = widget;
        m_pressGlobal = event->globalPosition().toPoint();
        m_dragging = false;
        m_movingByHand = false;
        return false;
    }

    bool OnMove(QMouseEvent* event)
    {
        if (m_releasing)
            return false;
        if (m_movingByHand) {
            m_bar->move(m_barStart + (event->globalPosition().toPoint() - m_pressGlobal));
            return true;
        }
        if (!m_pressed || m_dragging || !(event->buttons() & Qt::LeftButton))
            return false;
        const QPoint distance = event->globalPosition().toPoint() - m_pressGlobal;
        if (distance.manhattanLength() < QGuiApplication::styleHints()->startDragDistance())
            return false;
        StartDrag(event->globalPosition().toPoint());
        return true;
    }

    bool OnRelease(QMouseEvent* event)
    {
        if (m_releasing || event->button() != Qt::LeftButton)
            return false;
        const bool dragged = m_dragging;
        m_pressed = nullptr;
        m_dragging = false;
        m_movingByHand = false;
        // After a drag the control already had its release.
        return dragged;
    }

    void StartDrag(QPoint globalNow)
    {
        m_dragging = true;
        if (m_dragStarted)
            m_dragStarted();
        // The bar's own moves have all reached the window manager by now:
        // the last drag ended with a release.
        SyncBarPosition(m_bar);
        m_barStart = m_bar->pos();
        CancelControlPress();
        // The bar follows the pointer by itself rather than through the
        // window manager's move (startSystemMove): some managers, openbox
        // among them, start that move late and drop the bar where the
        // pointer is released instead of where the press grabbed it.
        m_movingByHand = true;
        m_bar->move(m_barStart + (globalNow - m_pressGlobal));
    }

    void CancelControlPress()
    {
        QWidget* pressed = m_pressed;
        if (!pressed)
            return;
        const QPoint outside(-1, -1);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(outside), QPointF(pressed->mapToGlobal(outside)),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        m_releasing = true;
        QCoreApplication::sendEvent(pressed, &release);
        m_releasing = false;
    }

    QWidget* m_bar;
    std::function<void()> m_dragStarted;
    QPointer<QWidget> m_pressed;
    QPoint m_pressGlobal;
    QPoint m_barStart;
    bool m_dragging = false;
    bool m_movingByHand = false;
    bool m_releasing = false;
};

#if VOKABO_HAVE_XCB
xcb_atom_t AtomNamed(xcb_connection_t* connection, const char* name)
{
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, qstrlen(name), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The window manager drops _NET_WM_STATE whenever a window is hidden, so the
// skip-taskbar state is written again before every showing; Qt merges its
// own states into what it finds there.
class TaskbarFilter : public QObject {
public:
    explicit TaskbarFilter(QWidget* bar) : QObject(bar)
    {
        setObjectName(QLatin1String(kTaskbarFilterName));
        bar->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType())
            SkipTaskbar(static_cast<QWidget*>(watched));
        return false;
    }

private:
    struct FreeReply {
        void operator()(void* reply) const { std::free(reply); }
    };

    static void SkipTaskbar(QWidget* bar)
    {
        auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
        if (!connection || !bar->isWindow())
            return;
        const auto window = static_cast<xcb_window_t>(bar->winId());
        const xcb_atom_t state = AtomNamed(connection, "_NET_WM_STATE");
        const xcb_atom_t skipTaskbar = AtomNamed(connection, "_NET_WM_STATE_SKIP_TASKBAR");
        if (state == XCB_ATOM_NONE || skipTaskbar == XCB_ATOM_NONE)
            return;
        const xcb_get_property_cookie_t cookie =
            xcb_get_property(connection, 0, window, state, XCB_ATOM_ATOM, 0, 1024);
        std::unique_ptr<xcb_get_property_reply_t, FreeReply> reply(xcb_get_property_reply(connection, cookie, nullptr));
        if (reply && reply->format == 32) {
            const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
            for (uint32_t i = 0; i < reply->value_len; ++i)
                if (atoms[i] == skipTaskbar)
                    return;
        }
        xcb_change_property(connection, XCB_PROP_MODE_APPEND, window, state, XCB_ATOM_ATOM, 32, 1, &skipTaskbar);
        xcb_flush(connection);
    }
};
#endif

} // namespace

void ShowBarWithoutFocus(QWidget* bar)
{
    if (bar->isVisible())
        return;
    // Takes effect at the next showing: the bar is hidden. The drill's run
    // does not depend on it; it only made the window system show the bar
    // active at the drill's start.
    bar->setWindowModality(Qt::NonModal);
    bar->winId();
    // Qt reads the window's own property at each showing; the widget
    // attribute reaches it only when the window is made.
    QWindow* window = bar->windowHandle();
    window->setProperty("_q_showWithoutActivating", true);
    bar->showNormal();
    window->setProperty("_q_showWithoutActivating", false);
}

bool WindowManagerMinimises(QWidget* bar)
{
#if VOKABO_HAVE_XCB
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection || !bar->windowHandle())
        return true;
    const xcb_atom_t allowed = AtomNamed(connection, "_NET_WM_ALLOWED_ACTIONS");
    const xcb_atom_t minimise = AtomNamed(connection, "_NET_WM_ACTION_MINIMIZE");
    if (allowed == XCB_ATOM_NONE || minimise == XCB_ATOM_NONE)
        return true;
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(connection, 0, static_cast<xcb_window_t>(bar->winId()), allowed, XCB_ATOM_ATOM, 0, 64);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(connection, cookie, nullptr), &std::free);
    if (!reply || reply->format != 32 || reply->value_len == 0)
        return true;
    const auto* actions = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    return std::find(actions, actions + reply->value_len, minimise) != actions + reply->value_len;
#else
    Q_UNUSED(bar);
    return true;
#endif
}

std::optional<QPoint> ClientPlaceOnServer(QWidget* window)
{
#if VOKABO_HAVE_XCB
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    const QWindow* handle = window->windowHandle();
    if (!connection || !handle || !window->isVisible())
        return std::nullopt;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_translate_coordinates_cookie_t cookie =
        xcb_translate_coordinates(connection, static_cast<xcb_window_t>(window->winId()), screen->root, 0, 0);
    std::unique_ptr<xcb_translate_coordinates_reply_t, decltype(&std::free)> reply(
        xcb_translate_coordinates_reply(connection, cookie, nullptr), &std::free);
    if (!reply)
        return std::nullopt;
    // The server counts device pixels; a scaled screen rounds either way.
    return (QPointF(reply->dst_x, reply->dst_y) / handle->devicePixelRatio()).toPoint();
#else
    Q_UNUSED(window);
    return std::nullopt;
#endif
}

bool SyncBarPosition(QWidget* bar)
{
    const std::optional<QPoint> server = ClientPlaceOnServer(bar);
    if (!server || (*server - bar->pos()).manhattanLength() <= 1)
        return false;
    bar->move(*server);
    return true;
}

QPoint ScreenFractionPoint(int a, int b, int c, int d)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || b == 0 || d == 0)
        return QPoint();
    const QRect area = screen->geometry();
    const qint32 width = area.width();
    const qint32 height = area.height();
    return area.topLeft() + QPoint(width * a / b, height * c / d);
}

void SetUpBarWindow(QWidget* bar, QPoint topLeft, QSize size)
{
    bar->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    bar->setWindowOpacity(1.0);
    bar->hide();
#if VOKABO_HAVE_XCB
    if (!bar->findChild<QObject*>(QLatin1String(kTaskbarFilterName), Qt::FindDirectChildrenOnly))
        new TaskbarFilter(bar);
#endif
    bar->setFixedSize(size);
    // The client rectangle: a frame remembered from an earlier decorated
    // showing must not shift the bar.
    bar->setGeometry(QRect(topLeft, size));
}

QPen WithRoundEnds(QPen pen)
{
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

void DrawRaisedFrame(QWidget* bar, QPainter& painter)
{
    const QRect client = bar->rect();
    const int left = client.left();
    const int top = client.top();
    const int right = client.left() + client.width();
    const int bottom = client.top() + client.height();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(WithRoundEnds(RaisedLeftPen));
    painter.drawLine(QPoint(left, bottom - 1), QPoint(left, top + 1));
    painter.setPen(WithRoundEnds(RaisedRightPen));
    painter.drawLine(QPoint(right - 1, bottom - 1), QPoint(right - 1, top));
    painter.setPen(WithRoundEnds(RaisedTopPen));
    painter.drawLine(QPoint(left - 1, top), QPoint(right - 1, top));
    painter.setPen(WithRoundEnds(RaisedBottomPen));
    painter.drawLine(QPoint(left, bottom), QPoint(right - 1, bottom));
    painter.restore();
}

void InstallBarDragging(QWidget* bar, std::function<void()> dragStarted)
{
    if (!bar->findChild<QObject*>(QLatin1String(kDragFilterName), Qt::FindDirectChildrenOnly))
        new BarDragFilter(bar, std::move(dragStarted));
}
