#include "ui/Placement.h"

#include <QEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace ui {

namespace {

class Centring : public QObject {
public:
    Centring(QWidget *widget, QPoint offset) : QObject(widget), m_widget(widget), m_offset(offset)
    {
        widget->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if (watched == m_widget) {
            if (type == QEvent::Show && !m_window && (m_window = m_widget->windowHandle())) {
                m_frame = m_window->frameMargins();
                m_widget->move(centred(m_widget->frameGeometry().size()));
                awaitFrame();
            }
        } else if ((type == QEvent::Expose || type == QEvent::Move || type == QEvent::Resize)
                   && m_window->frameMargins() != m_frame
                   && m_window->windowStates() == Qt::WindowNoState) {
            // A window manager's frame may come without a move of the window
            // itself, and the widget learns of it only at its next move: the
            // window knows.
            m_frame = m_window->frameMargins();
            m_window->setFramePosition(centred(m_window->frameGeometry().size()));
            awaitFrame();
        }
        return false;
    }

private:
    QPoint centred(QSize outer) const
    {
        const QScreen *screen = m_widget->screen();
        const QRect area = screen ? screen->geometry() : QRect();
        return QPoint(area.x() + (area.width() - outer.width()) / 2,
                      area.y() + (area.height() - outer.height()) / 2)
               + m_offset;
    }
    // Once a frame is there the position is the window's own; without a
    // window manager none ever comes, and nothing more happens.
    void awaitFrame()
    {
        if (m_frame.isNull()) {
            m_window->installEventFilter(this);
            return;
        }
        m_widget->removeEventFilter(this);
        m_window->removeEventFilter(this);
        deleteLater();
    }

    QWidget *m_widget;
    QPoint m_offset;
    QWindow *m_window = nullptr;
    QMargins m_frame;
};

} // namespace

void centreWhenShown(QWidget *window, QPoint offset)
{
    new Centring(window, offset);
}

} // namespace ui
