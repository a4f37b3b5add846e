#pragma once

#include <QLocale>

#include <utility>

class QIODevice;
class QString;

namespace Lexora {

class TranslationCatalog;
class UserFeedbackInterface;

// Saver of the "qm" format: compiles the catalogue into an ID-based .qm file.
// Vanished and obsolete messages and unfinished ones without translation are
// left out; messages without ID are dropped and reported once per file.
bool saveQm(const TranslationCatalog &catalog, QIODevice &device, UserFeedbackInterface *errorSink);

// Language and territory of a language code as QLocale resolves them, so a bare
// code such as "pt" carries the territory QLocale assumes for it (Brazil).
std::pair<QLocale::Language, QLocale::Territory> languageAndTerritory(const QString &languageCode);

} // namespace Lexora
