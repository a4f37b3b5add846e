#pragma once

#include <QMetaType>
#include <QString>

#include <string>
#include <vector>

QT_BEGIN_NAMESPACE
class QDebug;
QT_END_NAMESPACE

namespace Lexora {

// A language the project can be translated into. Both fields hold UTF-8, like every string
// on the database side; `code` is a BCP 47 code and doubles as the base name of the flag
// image under ":/flags".
class Language
{
public:
    Language() = default;
    Language(std::string code, std::string name) : code(std::move(code)), name(std::move(name)) { }

    QString codeString() const;
    QString nameString() const;

    // A language is identified by its code alone: the same code under another display
    // name is still the same language.
    friend bool operator==(const Language &first, const Language &second)
    {
        return first.code == second.code;
    }

    std::string code;
    std::string name;
};

using Languages = std::vector<Language>;

// Registers `Language` and `Languages` by name so that string-based connections and
// queued signals can carry them. Safe to call any number of times.
void registerLanguageMetaTypes();

// Makes sure the flag images under ":/flags" are registered. They are compiled into this
// static library, and calling this keeps them in every binary that links it.
void initializeFlagResources();

QDebug operator<<(QDebug debug, const Language &language);

} // namespace Lexora

Q_DECLARE_METATYPE(Lexora::Language)
