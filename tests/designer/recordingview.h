#pragma once

#include <designer/designerview.h>
#include <designer/documentmodel.h>
#include <designer/node.h>

#include <QStringList>

// Writes down every notification with what the model holds at that moment, so
// a test sees both the order and whether "about to" came before the change.
class RecordingView : public Host::Designer::DesignerView
{
public:
    using DesignerView::DesignerView;

    QStringList log;

    static QString describe(const Host::Designer::NodeProperties &properties)
    {
        QStringList parts;
        for (const auto &property : properties) {
            parts.append(QString::fromUtf8(property.name()) + QLatin1Char('=')
                         + (property.isBinding() ? property.expression() : property.sourceText()));
        }
        return parts.join(QLatin1Char(','));
    }

    static QString nameOf(const Host::Designer::Node *node)
    {
        if (!node)
            return QStringLiteral("null");
        return node->id().isEmpty() ? node->typeName() : node->id();
    }

    void modelAttached(Host::Designer::DocumentModel *model) override
    {
        DesignerView::modelAttached(model);
        log.append(QStringLiteral("attached:%1").arg(model->allNodes().size()));
    }
    void modelAboutToBeDetached(Host::Designer::DocumentModel *model) override
    {
        log.append(QStringLiteral("detached"));
        DesignerView::modelAboutToBeDetached(model);
    }
    void nodeAboutToBeRemoved(Host::Designer::Node *node) override
    {
        log.append(QStringLiteral("aboutToRemove:") + nameOf(node));
    }
    void nodeRemoved(Host::Designer::Node *parent, const QByteArray &) override
    {
        log.append(QStringLiteral("removed:") + nameOf(parent));
    }
    void nodeReparented(Host::Designer::Node *node,
                        Host::Designer::Node *newParent,
                        Host::Designer::Node *oldParent) override
    {
        log.append(QStringLiteral("reparented:%1:%2->%3")
                       .arg(nameOf(node), nameOf(oldParent), nameOf(newParent)));
    }
    void propertiesAboutToBeRemoved(const Host::Designer::NodeProperties &properties) override
    {
        log.append(QStringLiteral("aboutToRemoveProperties:") + describe(properties));
    }
    void propertiesRemoved(const Host::Designer::NodeProperties &properties) override
    {
        QStringList names;
        for (const auto &property : properties)
            names.append(QString::fromUtf8(property.name())
                         + (property.exists() ? QStringLiteral("(still there)") : QString()));
        log.append(QStringLiteral("propertiesRemoved:") + names.join(QLatin1Char(',')));
    }
    void
    bindingPropertiesAboutToBeChanged(const Host::Designer::NodeProperties &properties) override
    {
        log.append(QStringLiteral("aboutToChange:") + describe(properties));
    }
    void bindingPropertiesChanged(const Host::Designer::NodeProperties &properties) override
    {
        log.append(QStringLiteral("changed:") + describe(properties));
    }
    void auxiliaryDataChanged(Host::Designer::Node *node,
                              const QByteArray &name,
                              const QVariant &data) override
    {
        log.append(QStringLiteral("auxiliary:%1:%2=%3")
                       .arg(nameOf(node), QString::fromUtf8(name), data.toString()));
    }
    void selectionChanged(const QList<Host::Designer::Node *> &selected,
                          const QList<Host::Designer::Node *> &deselected) override
    {
        log.append(QStringLiteral("selection:%1/%2").arg(selected.size()).arg(deselected.size()));
    }
};
