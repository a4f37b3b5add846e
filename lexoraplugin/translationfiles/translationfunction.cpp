#include "translationfunction.h"

#include <QHash>

#include <array>

namespace Lexora::Support {

namespace {

// Indexed by TranslationFunction.
constexpr std::array<const char *, translationFunctionCount> functionNames = {
    "Q_DECLARE_TR_FUNCTIONS",
    "QT_TR_N_NOOP",
    "QT_TRID_N_NOOP",
    "QT_TRANSLATE_N_NOOP",
    "QT_TRANSLATE_N_NOOP3",
    "QT_TR_NOOP",
    "QT_TRID_NOOP",
    "QT_TRANSLATE_NOOP",
    "QT_TRANSLATE_NOOP3",
    "QT_TR_NOOP_UTF8",
    "QT_TRANSLATE_NOOP_UTF8",
    "QT_TRANSLATE_NOOP3_UTF8",
    "findMessage",
    "qtTrId",
    "tr",
    "trUtf8",
    "translate",
    "qsTr",
    "qsTrId",
    "qsTranslate",
};

struct FunctionTable
{
    std::array<QStringList, translationFunctionCount> aliases;
    QHash<QString, TranslationFunction> byName;

    FunctionTable()
    {
        for (int i = 0; i < translationFunctionCount; ++i)
            aliases[i] = QStringList { QString::fromLatin1(functionNames[i]) };
        for (int i = 0; i < translationFunctionCount; ++i) {
            for (const QString &alias : std::as_const(aliases[i]))
                byName.insert(alias, static_cast<TranslationFunction>(i));
        }
    }
};

// Generation workers extract files in parallel, so the table must be complete
// before the first lookup returns; a function-local static gives exactly that
// once-only, thread-safe initialisation.
const FunctionTable &functionTable()
{
    static const FunctionTable table;
    return table;
}

} // namespace

QString translationFunctionName(TranslationFunction function)
{
    return QString::fromLatin1(functionNames[static_cast<int>(function)]);
}

QStringList translationFunctionAliases(TranslationFunction function)
{
    return functionTable().aliases[static_cast<int>(function)];
}

std::optional<TranslationFunction> lookupTranslationFunction(QStringView name)
{
    const FunctionTable &table = functionTable();
    const auto it = table.byName.constFind(name.toString());
    if (it == table.byName.constEnd())
        return std::nullopt;
    return it.value();
}

} // namespace Lexora::Support
