#include "frameoverlay.h"

#include <QPainter>

namespace Host::FormEditor {

FrameOverlay::FrameOverlay(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
}

void FrameOverlay::setFrames(const QList<Frame> &frames)
{
    if (frames == m_frames)
        return;
    m_frames = frames;
    update();
}

QString FrameOverlay::toolTipAt(const QPointF &position) const
{
    QString toolTip;
    qreal smallest = 0;
    for (const Frame &frame : m_frames) {
        if (frame.toolTip.isEmpty() || !frame.rect.contains(position))
            continue;
        const qreal area = frame.rect.width() * frame.rect.height();
        // Of frames alike, the one drawn last is the one on top.
        if (toolTip.isEmpty() || area <= smallest) {
            toolTip = frame.toolTip;
            smallest = area;
        }
    }
    return toolTip;
}

void FrameOverlay::paintEvent(QPaintEvent * /*event*/)
{
    QPainter painter(this);
    for (const Frame &frame : std::as_const(m_frames)) {
        QPen pen(frame.color, penWidth);
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        // Inside the item's bounds, so a frame on the root stays visible.
        const qreal inset = penWidth / 2.0;
        painter.drawRect(frame.rect.adjusted(inset, inset, -inset, -inset));
    }
}

} // namespace Host::FormEditor
