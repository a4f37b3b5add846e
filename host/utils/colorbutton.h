#pragma once

#include "utils_global.h"

#include <QColor>
#include <QToolButton>

namespace Host::Utils {

// A button that shows a colour and lets the user pick another one. An invalid
// colour shows as an empty button and means "no colour".
class HOST_UTILS_EXPORT ColorButton : public QToolButton
{
    Q_OBJECT
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)

public:
    explicit ColorButton(QWidget *parent = nullptr);
    ~ColorButton() override;

    QColor color() const { return m_color; }
    void setColor(const QColor &color);

signals:
    void colorChanged(const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void pickColor();

    QColor m_color;
};

} // namespace Host::Utils
