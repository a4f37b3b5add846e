// Search queries as a user types them, handed to the full-text index.

#include "fuzzdatabase.h"

using namespace Lexora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    DatabaseIo &io = Fuzz::sampleDatabase().databaseIo();
    const std::string_view query(reinterpret_cast<const char *>(data), size);
    try {
        std::size_t sum = 0;
        for (const SearchRow &row : io.searchTranslations(query))
            sum += row.translationTextId.size() + row.language.size() + row.translation.size()
                + std::size_t(row.translatableId);
        if (sum == std::size_t(-1))
            std::abort();
    } catch (const Host::Sqlite::Exception &) { }
    return 0;
}
