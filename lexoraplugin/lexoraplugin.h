#pragma once

#include "databaseio/databaseiointerface.h"
#include "databaseio/databaserecords.h"

#include <extensionsystem/plugin.h>

#include <QVariantMap>

#include <memory>

namespace Host::Projects {
class Project;
}

namespace Lexora {

class LexoraActions;
class LexoraPluginPrivate;

// The object the host loads. Keeps the startup project's translation database
// open, reopening it whenever the startup project changes.
class LexoraPlugin final : public Host::Plugins::Plugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID HOST_PLUGIN_IID FILE "Lexora.json")

public:
    LexoraPlugin();
    ~LexoraPlugin() override;

    bool initialize(const QStringList &arguments, QString *errorString) override;
    bool delayedInitialize() override;
    ShutdownMode aboutToShutdown() override;

    // The entries of the given IDs in the open database; empty without one.
    static TranslatableEntries fetchTranslatableEntries(const TranslationIds &translationIds);

    // For host components that reach the plugin through its meta-object:
    // whether a project database is open, which of the given IDs it knows
    // (fetchTranslatableEntries), and their translations as
    // { id: { language: text } }.
    Q_INVOKABLE bool hasProjectDatabase() const;
    Q_INVOKABLE QStringList knownTranslationIds(const QStringList &translationIds) const;
    Q_INVOKABLE QVariantMap translations(const QStringList &translationIds) const;
    // Starts writing the startup project's translation files ("qm", "ts" or
    // "all") for the given languages on a worker; false when refused.
    Q_INVOKABLE bool generateTranslationFiles(const QStringList &languages, const QString &format);

private:
    void openProjectDatabase(Host::Projects::Project *project);
    bool openDatabaseOf(Host::Projects::Project *project);
    void updateDatabaseContext();

    // The plugin's menus and commands in the host; gone at shutdown.
    std::unique_ptr<LexoraActions> m_actions;

    static LexoraPluginPrivate *d;
};

} // namespace Lexora
