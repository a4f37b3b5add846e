#pragma once

#include <QByteArrayList>
#include <QObject>

#include <functional>

namespace Lexora {

class TranslationCheckRunner;
class TranslationsView;

// The plugin's commands in the host's menus: a "Translations" menu with the
// panel's commands, each running the same command as its tool bar button, and
// "Check Translations" under Tools with its category in the Issues list. All
// of it is registered through the host's extension points and goes with this
// object, so a studio without the plugin shows none of it.
class LexoraActions : public QObject
{
    Q_OBJECT

public:
    // `view` gives the plugin's translations view, or null before it exists.
    using ViewProvider = std::function<TranslationsView *()>;

    explicit LexoraActions(ViewProvider view, QObject *parent = nullptr);
    ~LexoraActions() override;

    // The ids of the Translations menu's entries, in menu order.
    static QByteArrayList translationsMenuCommands();

    void setDatabaseOpen(bool open);
    TranslationCheckRunner *checkRunner() const { return m_checkRunner; }

private:
    void registerTranslationsMenu();
    void registerCheckTranslations();
    // Shows the panel and runs the command of its tool bar (or tab) that the
    // menu entry `id` stands for.
    void runPanelCommand(const QByteArray &id);
    void checkTranslations();

    ViewProvider m_view;
    TranslationCheckRunner *m_checkRunner;
    QByteArrayList m_actionIds;
};

} // namespace Lexora
