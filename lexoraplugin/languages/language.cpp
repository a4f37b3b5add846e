#include "languages/language.h"

#include <QDebug>
#include <QString>

// Q_INIT_RESOURCE names a function in the global namespace.
static void initializeFlagResourcesOnce()
{
    static const bool initialized = [] {
        Q_INIT_RESOURCE(flags);
        return true;
    }();
    Q_UNUSED(initialized)
}

namespace Lexora {

void initializeFlagResources()
{
    initializeFlagResourcesOnce();
}

QString Language::codeString() const
{
    return QString::fromStdString(code);
}

QString Language::nameString() const
{
    return QString::fromStdString(name);
}

void registerLanguageMetaTypes()
{
    static const bool registered = [] {
        qRegisterMetaType<Language>();
        qRegisterMetaType<Languages>();
        // moc records the parameters of signals and slots as written inside the namespace.
        qRegisterMetaType<Language>("Language");
        qRegisterMetaType<Languages>("Languages");
        qRegisterMetaType<Languages>("Lexora::Languages");
        return true;
    }();
    Q_UNUSED(registered)
}

QDebug operator<<(QDebug debug, const Language &language)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "Language(" << language.codeString() << ", " << language.nameString() << ')';
    return debug;
}

} // namespace Lexora
