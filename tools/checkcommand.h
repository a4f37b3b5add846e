#pragma once

#include <QStringList>

namespace Lexora {

class LexoraTool;
struct CheckReport;

// `lexora check`: the translation quality checks of a project, printed as a
// report and optionally written as JSON. The exit status gates a release: 0
// when no finding is an error, 1 otherwise, 2 for a wrong command line.
class CheckCommand
{
public:
    explicit CheckCommand(LexoraTool &tool);

    // True when `arguments` (as QCoreApplication::arguments() gives them) ask
    // for the check command.
    static bool handles(const QStringList &arguments);
    int run(const QStringList &arguments);

    // The printed report: findings grouped by language and check, then the
    // coverage table and the totals.
    static QString formatReport(const CheckReport &report, bool allIds);

private:
    LexoraTool &m_tool;
};

} // namespace Lexora
