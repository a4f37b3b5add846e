#pragma once

#include "designer_global.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

namespace Host::Designer {

// Makes the widgets a view shows in the designer's tool bar while its widget
// is visible. The designer owns the widgets it gets.
class HOST_DESIGNER_EXPORT ToolBarWidgetFactory
{
public:
    virtual ~ToolBarWidgetFactory() = default;
    virtual QList<QWidget *> createToolBarWidgets() = 0;
};

// The default factory: asks the view's widget for its tool bar widgets through
// `QList<QWidget *> T::createToolBarWidgets()`. The widget may go away before
// the factory; the factory then makes nothing.
template<typename T> class DefaultToolBarWidgetFactory final : public ToolBarWidgetFactory
{
public:
    explicit DefaultToolBarWidgetFactory(T *widget) : m_widget(widget) { }

    QList<QWidget *> createToolBarWidgets() override
    {
        return m_widget ? m_widget->createToolBarWidgets() : QList<QWidget *>();
    }

    T *widget() const { return m_widget; }

private:
    QPointer<T> m_widget;
};

template<typename T>
std::shared_ptr<ToolBarWidgetFactory> createDefaultToolBarWidgetFactory(T *widget)
{
    return std::make_shared<DefaultToolBarWidgetFactory<T>>(widget);
}

// How a view's widget takes its place in the designer.
struct ViewWidgetDescription
{
    enum class Placement { None = 0, LeftPane = 1, RightPane = 2, BottomPane = 3, Central = 4 };

    QWidget *widget = nullptr; // owned by the designer once handed over
    std::shared_ptr<ToolBarWidgetFactory> toolBarWidgetFactory;
    QString uniqueId;
    int placementHint = 0;
    int priority = 0;
    QString tabTitle;
    int flags = 0;

    bool isValid() const { return widget && !uniqueId.isEmpty(); }
};

} // namespace Host::Designer
