#pragma once

namespace Lexora::Constants {

// The plugin's category in the host's issues list.
inline constexpr char taskCategory[] = "lexora errors";

// The translation database, in the project's directory.
inline constexpr char databaseFileName[] = "translations.db";

// The plugin's menu and its contexts in the host's action registry.
inline constexpr char translationsMenu[] = "Lexora.Menu.Translations";
// Active while the startup project's translation database is open.
inline constexpr char databaseContext[] = "Lexora.Context.Database";
// Active while no translation check runs.
inline constexpr char checksIdleContext[] = "Lexora.Context.ChecksIdle";

// The plugin's commands: the ids of their menu entries, by which the panel's
// tool bar finds their shortcuts.
namespace Commands {
inline constexpr char importTranslations[] = "Lexora.Import";
inline constexpr char exportTranslations[] = "Lexora.Export";
inline constexpr char exportUsedTranslations[] = "Lexora.ExportUsed";
inline constexpr char exportDocumentTranslations[] = "Lexora.ExportDocument";
inline constexpr char generateTranslationFiles[] = "Lexora.Generate";
inline constexpr char chooseLanguages[] = "Lexora.ChooseLanguages";
inline constexpr char testInPreview[] = "Lexora.TestInPreview";
inline constexpr char testProject[] = "Lexora.TestProject";
inline constexpr char search[] = "Lexora.Search";
inline constexpr char checkTranslations[] = "Lexora.CheckTranslations";
} // namespace Commands

} // namespace Lexora::Constants
