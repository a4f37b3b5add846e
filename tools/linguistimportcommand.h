#pragma once

#include <QStringList>

namespace Lexora {

class LexoraTool;

// `lexora import FILE.ts...`: takes the translations of Qt Linguist files into
// the project's database as local edits and prints what changed.
class LinguistImportCommand
{
public:
    explicit LinguistImportCommand(LexoraTool &tool) : m_tool(tool) { }

    int run(const QStringList &tsFiles, bool dryRun, bool takeUnfinished);

private:
    LexoraTool &m_tool;
};

} // namespace Lexora
