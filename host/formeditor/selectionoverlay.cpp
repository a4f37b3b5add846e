#include "selectionoverlay.h"

#include <QFontMetrics>
#include <QPainter>

namespace Host::FormEditor {

namespace {

// The selection has the colour of selected rows elsewhere in the studio, so a
// node chosen in the navigator and on the form look alike.
QColor selectionColor(const QWidget *widget)
{
    return widget->palette().color(QPalette::Active, QPalette::Highlight);
}

} // namespace

SelectionOverlay::SelectionOverlay(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("SelectionOverlay"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
}

void SelectionOverlay::setSelectionRects(const QList<QRectF> &rects)
{
    if (rects == m_selectionRects)
        return;
    m_selectionRects = rects;
    update();
}

void SelectionOverlay::setHover(const QRectF &rect, const QString &text)
{
    if (rect == m_hoverRect && text == m_hoverText)
        return;
    m_hoverRect = rect;
    m_hoverText = text;
    update();
}

void SelectionOverlay::paintEvent(QPaintEvent * /*event*/)
{
    QPainter painter(this);
    const QColor color = selectionColor(this);

    if (!m_hoverRect.isEmpty()) {
        painter.setPen(QPen(color, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(m_hoverRect.adjusted(0.5, 0.5, -0.5, -0.5));
    }

    // A thin line leaves the frames of a translation test readable beneath;
    // the handles make it a selection at a glance.
    for (const QRectF &rect : std::as_const(m_selectionRects)) {
        painter.setBrush(Qt::NoBrush);
        const QRectF inner = rect.adjusted(0.5, 0.5, -0.5, -0.5);
        // A light halo keeps the line visible on dark items too.
        painter.setPen(QPen(QColor(255, 255, 255, 160), 3));
        painter.drawRect(inner);
        painter.setPen(QPen(color, 1));
        painter.drawRect(inner);
        painter.setPen(QPen(Qt::white, 1));
        painter.setBrush(color);
        const QPointF half(handleSize / 2.0, handleSize / 2.0);
        for (const QPointF &corner :
             { inner.topLeft(), inner.topRight(), inner.bottomLeft(), inner.bottomRight() }) {
            // Kept inside the form, so the handles of the root show too.
            QRectF handle(corner - half, corner + half);
            handle.moveLeft(qBound(0.0, handle.left(), width() - handle.width()));
            handle.moveTop(qBound(0.0, handle.top(), height() - handle.height()));
            painter.drawRect(handle);
        }
    }

    if (!m_hoverRect.isEmpty() && !m_hoverText.isEmpty()) {
        QFont font = painter.font();
        font.setPointSizeF(font.pointSizeF() * 0.85);
        painter.setFont(font);
        const QFontMetrics metrics(font);
        const int padding = 3;
        QRectF label(
            0, 0, metrics.horizontalAdvance(m_hoverText) + 2 * padding, metrics.height() + padding);
        // Above the item where there is room, else just inside its top.
        label.moveBottomLeft(m_hoverRect.topLeft());
        if (label.top() < 0)
            label.moveTopLeft(m_hoverRect.topLeft());
        label.moveLeft(qBound(0.0, label.left(), qMax(0.0, width() - label.width())));
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawRect(label);
        painter.setPen(palette().color(QPalette::Active, QPalette::HighlightedText));
        painter.drawText(label, Qt::AlignCenter, m_hoverText);
    }
}

} // namespace Host::FormEditor
