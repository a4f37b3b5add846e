// The JSON translation file import: any bytes either give entries or raise the
// plugin's exception.

#include "fuzzsupport.h"

#include "exception.h"
#include "jsonimportexport.h"

using namespace Lexora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const QString path = Fuzz::scratchDirectory() + QStringLiteral("/input.json");
    if (!Fuzz::writeFile(path, Fuzz::input(data, size)))
        return 0;
    try {
        const TranslatableEntries entries = JsonImportExport().importFile(path);
        std::size_t sum = 0;
        for (const TranslatableEntry &entry : entries) {
            sum += entry.translationTextId.size();
            for (const TranslationEntry &translation : entry.translations)
                sum += translation.language.size() + translation.translation.size();
        }
        if (sum == std::size_t(-1))
            std::abort();
    } catch (const Exception &) { }
    return 0;
}
