#include "actionregistry.h"

#include "settingsstore.h"

#include <utils/lazyinstance.h>

#include <QAction>
#include <QActionEvent>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>

namespace Host::Core {

struct ActionRegistry::Menu
{
    QByteArray id;
    QString title;
    QPointer<QMenu> menu;
};

struct ActionRegistry::Entry
{
    ActionDescription description;
    QPointer<QAction> action;
    bool owned = false;
    // The separator in front of the entry's group, held by the group's first entry.
    QPointer<QAction> separator;
    QMetaObject::Connection destroyedConnection;
};

namespace {

// Watches the registry's menus so that one without actions leaves the bar.
class MenuVisibilityFilter : public QObject
{
public:
    using QObject::QObject;

    static void update(QMenu *menu)
    {
        const QList<QAction *> actions = menu->actions();
        menu->menuAction()->setVisible(std::any_of(
            actions.cbegin(), actions.cend(), [](QAction *a) { return !a->isSeparator(); }));
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ActionAdded || event->type() == QEvent::ActionRemoved)
            update(static_cast<QMenu *>(watched));
        return false;
    }
};

} // namespace

ActionRegistry *ActionRegistry::instance()
{
    return Utils::lazyInstance<ActionRegistry>([] { return new ActionRegistry; });
}

ActionRegistry::ActionRegistry() = default;

ActionRegistry::~ActionRegistry()
{
    for (const std::unique_ptr<Entry> &entry : m_entries)
        disconnect(entry->destroyedConnection);
}

ActionRegistry::Entry *ActionRegistry::entry(const QByteArray &id)
{
    const auto found = std::find_if(m_entries.begin(), m_entries.end(), [&id](const auto &entry) {
        return entry->description.id == id;
    });
    return found == m_entries.end() ? nullptr : found->get();
}

const ActionRegistry::Entry *ActionRegistry::entry(const QByteArray &id) const
{
    return const_cast<ActionRegistry *>(this)->entry(id);
}

void ActionRegistry::addMenu(const QByteArray &id, const QString &title, const QByteArray &before)
{
    const auto known = std::find_if(
        m_menus.begin(), m_menus.end(), [&id](const Menu &menu) { return menu.id == id; });
    if (known != m_menus.end()) {
        known->title = title;
        if (known->menu)
            known->menu->setTitle(title);
        return;
    }
    auto position = std::find_if(
        m_menus.begin(), m_menus.end(), [&before](const Menu &menu) { return menu.id == before; });
    m_menus.insert(position, Menu { id, title, {} });
    rebuildMenuBar();
}

void ActionRegistry::removeMenu(const QByteArray &id)
{
    const auto known = std::find_if(
        m_menus.begin(), m_menus.end(), [&id](const Menu &menu) { return menu.id == id; });
    if (known == m_menus.end())
        return;
    // Its actions stay registered and show again when the menu comes back.
    delete known->menu.data();
    m_menus.erase(known);
}

QByteArrayList ActionRegistry::menuIds() const
{
    QByteArrayList ids;
    for (const Menu &menu : m_menus)
        ids.append(menu.id);
    return ids;
}

QMenu *ActionRegistry::menu(const QByteArray &id) const
{
    for (const Menu &menu : m_menus) {
        if (menu.id == id)
            return menu.menu.data();
    }
    return nullptr;
}

QString ActionRegistry::shortcutKey(const QByteArray &id)
{
    return QLatin1String("Shortcuts/") + QString::fromUtf8(id);
}

QAction *ActionRegistry::addAction(const ActionDescription &description, QAction *action)
{
    Q_ASSERT(!description.id.isEmpty());
    removeAction(description.id);

    auto newEntry = std::make_unique<Entry>();
    newEntry->description = description;
    newEntry->owned = !action;
    if (!action) {
        action = new QAction(description.icon, description.text, this);
        if (!description.toolTip.isEmpty())
            action->setToolTip(description.toolTip);
    } else {
        if (newEntry->description.text.isEmpty())
            newEntry->description.text = action->text();
        newEntry->destroyedConnection
            = connect(action, &QObject::destroyed, this, [this, id = description.id] {
                  const auto found
                      = std::find_if(m_entries.begin(), m_entries.end(), [&id](const auto &entry) {
                            return entry->description.id == id;
                        });
                  if (found != m_entries.end()) {
                      std::unique_ptr<Entry> gone = std::move(*found);
                      m_entries.erase(found);
                      unplace(*gone);
                  }
              });
    }
    if (action->objectName().isEmpty())
        action->setObjectName(QString::fromUtf8(description.id));
    QKeySequence shortcut = description.defaultShortcut;
    const QString stored = SettingsStore::value(shortcutKey(description.id)).toString();
    if (!stored.isNull())
        shortcut = QKeySequence::fromString(stored, QKeySequence::PortableText);
    if (!shortcut.isEmpty() || !stored.isNull())
        action->setShortcut(shortcut);
    newEntry->action = action;

    Entry &added = *m_entries.emplace_back(std::move(newEntry));
    updateEnabled(added);
    place(added);
    return action;
}

void ActionRegistry::removeAction(const QByteArray &id)
{
    const auto found = std::find_if(m_entries.begin(), m_entries.end(), [&id](const auto &entry) {
        return entry->description.id == id;
    });
    if (found == m_entries.end())
        return;
    std::unique_ptr<Entry> removed = std::move(*found);
    m_entries.erase(found);
    disconnect(removed->destroyedConnection);
    unplace(*removed);
    if (removed->owned)
        delete removed->action.data();
}

QAction *ActionRegistry::action(const QByteArray &id) const
{
    const Entry *found = entry(id);
    return found ? found->action.data() : nullptr;
}

QByteArrayList ActionRegistry::actionIds(const QByteArray &menuId) const
{
    QByteArrayList ids;
    QMenu *shown = menu(menuId);
    if (!shown) {
        for (const std::unique_ptr<Entry> &entry : m_entries) {
            if (entry->description.menu == menuId)
                ids.append(entry->description.id);
        }
        return ids;
    }
    for (QAction *action : shown->actions()) {
        for (const std::unique_ptr<Entry> &entry : m_entries) {
            if (entry->action == action)
                ids.append(entry->description.id);
        }
    }
    return ids;
}

void ActionRegistry::setContextActive(const QByteArray &context, bool active)
{
    if (m_activeContexts.contains(context) == active)
        return;
    if (active)
        m_activeContexts.append(context);
    else
        m_activeContexts.removeAll(context);
    for (const std::unique_ptr<Entry> &entry : m_entries)
        updateEnabled(*entry);
}

void ActionRegistry::updateEnabled(Entry &entry)
{
    // An action without contexts keeps the enabled state its owner gives it.
    if (!entry.action || entry.description.contexts.isEmpty())
        return;
    const QByteArrayList &contexts = entry.description.contexts;
    entry.action->setEnabled(std::all_of(contexts.cbegin(), contexts.cend(), [this](const auto &c) {
        return m_activeContexts.contains(c);
    }));
}

void ActionRegistry::place(Entry &entry)
{
    QMenu *target = menu(entry.description.menu);
    if (!target || !entry.action || target->actions().contains(entry.action))
        return;
    // After the last action of its group, or as a new group at the end.
    QAction *lastOfGroup = nullptr;
    const QList<QAction *> shown = target->actions();
    for (const std::unique_ptr<Entry> &other : m_entries) {
        if (other.get() != &entry && other->description.menu == entry.description.menu
            && other->description.group == entry.description.group && other->action
            && shown.contains(other->action)) {
            if (!lastOfGroup || shown.indexOf(other->action) > shown.indexOf(lastOfGroup))
                lastOfGroup = other->action;
        }
    }
    if (!lastOfGroup) {
        if (!shown.isEmpty())
            entry.separator = target->addSeparator();
        target->addAction(entry.action);
        return;
    }
    const qsizetype next = shown.indexOf(lastOfGroup) + 1;
    target->insertAction(next < shown.size() ? shown.at(next) : nullptr, entry.action);
}

void ActionRegistry::unplace(Entry &entry)
{
    if (QMenu *target = menu(entry.description.menu); target && entry.action)
        target->removeAction(entry.action);
    if (!entry.separator)
        return;
    // The group's separator goes to the next entry of the group, or with it.
    for (const std::unique_ptr<Entry> &other : m_entries) {
        if (other.get() != &entry && other->description.menu == entry.description.menu
            && other->description.group == entry.description.group) {
            other->separator = entry.separator;
            return;
        }
    }
    delete entry.separator.data();
}

void ActionRegistry::buildMenuBar(QMenuBar *menuBar)
{
    if (m_menuBar && m_menuBar != menuBar) {
        for (Menu &menu : m_menus)
            delete menu.menu.data();
    }
    m_menuBar = menuBar;
    rebuildMenuBar();
}

void ActionRegistry::rebuildMenuBar()
{
    if (!m_menuBar)
        return;
    m_menuBar->clear();
    for (Menu &menu : m_menus) {
        if (!menu.menu) {
            menu.menu = new QMenu(menu.title, m_menuBar);
            menu.menu->setObjectName(QString::fromUtf8(menu.id));
            menu.menu->installEventFilter(new MenuVisibilityFilter(menu.menu));
            for (const std::unique_ptr<Entry> &entry : m_entries) {
                if (entry->description.menu == menu.id)
                    place(*entry);
            }
            MenuVisibilityFilter::update(menu.menu);
        }
        m_menuBar->addMenu(menu.menu);
    }
}

QString ActionRegistry::toolTipWithShortcut(const QString &toolTip, const QByteArray &id) const
{
    const QAction *registered = action(id);
    if (!registered || registered->shortcut().isEmpty())
        return toolTip;
    return QStringLiteral("%1 (%2)").arg(toolTip,
                                         registered->shortcut().toString(QKeySequence::NativeText));
}

} // namespace Host::Core
