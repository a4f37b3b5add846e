#pragma once

#include "core_global.h"

#include <QByteArrayList>
#include <QIcon>
#include <QKeySequence>
#include <QObject>
#include <QPointer>
#include <QString>

QT_BEGIN_NAMESPACE
class QAction;
class QMenu;
class QMenuBar;
QT_END_NAMESPACE

namespace Host::Core {

// The ids of the menus and contexts the studio itself offers.
namespace MenuIds {
inline constexpr char file[] = "Menu.File";
inline constexpr char edit[] = "Menu.Edit";
inline constexpr char view[] = "Menu.View";
inline constexpr char preview[] = "Menu.Preview";
inline constexpr char tools[] = "Menu.Tools";
} // namespace MenuIds

namespace ContextIds {
// Active while a project is open.
inline constexpr char projectOpen[] = "Context.ProjectOpen";
// Active while a document is open in the editor.
inline constexpr char documentOpen[] = "Context.DocumentOpen";
} // namespace ContextIds

// A command as a plugin or the studio registers it.
struct HOST_CORE_EXPORT ActionDescription
{
    QByteArray id; // unique, e.g. "Lexora.Import"; also the action's object name
    QString text;
    QIcon icon;
    // The settings store may hold another one for the id (ActionRegistry::shortcutKey).
    QKeySequence defaultShortcut;
    QString toolTip;
    QByteArray menu; // empty: in no menu
    // Actions of one group stay together, the groups in the order they first
    // appear in the menu, with a separator between them.
    QByteArray group;
    // The action is enabled only while all of them are active; none: always.
    QByteArrayList contexts;
};

// The extension point for commands: plugins and the studio register actions
// with the menu and group they belong in, and the studio builds its menu bar
// from here. The application never needs to know which plugin brought a
// command, and a plugin that is not loaded leaves no trace in the menus.
// Interface thread only.
class HOST_CORE_EXPORT ActionRegistry : public QObject
{
    Q_OBJECT

public:
    static ActionRegistry *instance();
    ~ActionRegistry() override;

    // Menus show in the menu bar in the order they are added, a menu with a
    // `before` id that is known in front of that one. Adding a known id again
    // changes its title. A menu without actions is hidden.
    void addMenu(const QByteArray &id, const QString &title, const QByteArray &before = {});
    void removeMenu(const QByteArray &id);
    QByteArrayList menuIds() const;
    // The menu of the menu bar built last, or null.
    QMenu *menu(const QByteArray &id) const;

    // Creates the action from `description` when `action` is null (the
    // registry owns it), else registers the caller's action, which goes from
    // the registry when it is destroyed. Registering a known id replaces the
    // earlier action.
    QAction *addAction(const ActionDescription &description, QAction *action = nullptr);
    void removeAction(const QByteArray &id);
    QAction *action(const QByteArray &id) const;
    // The ids of the actions in `menu`, in the order the menu shows them.
    QByteArrayList actionIds(const QByteArray &menu) const;

    // The key of the settings store entry that overrides an action's default shortcut.
    static QString shortcutKey(const QByteArray &id);

    void setContextActive(const QByteArray &context, bool active);

    // Fills `menuBar` with the registered menus and keeps it in step with
    // later registrations. One menu bar at a time; its menus are its children.
    void buildMenuBar(QMenuBar *menuBar);

    // A tool tip that names the shortcut of the action registered as `id`,
    // for buttons elsewhere that run the same command.
    QString toolTipWithShortcut(const QString &toolTip, const QByteArray &id) const;

private:
    ActionRegistry();

    struct Menu;
    struct Entry;

    Entry *entry(const QByteArray &id);
    const Entry *entry(const QByteArray &id) const;
    void updateEnabled(Entry &entry);
    void place(Entry &entry);
    void unplace(Entry &entry);
    void rebuildMenuBar();
    void updateMenuVisibility(QMenu *menu) const;

    std::vector<Menu> m_menus;
    std::vector<std::unique_ptr<Entry>> m_entries;
    QByteArrayList m_activeContexts;
    QPointer<QMenuBar> m_menuBar;
};

} // namespace Host::Core
