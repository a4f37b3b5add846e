// The screen-metadata store: the JSON a screen capture writes is parsed by
// SQLite's JSON functions inside the plugin's statements.

#include "fuzzdatabase.h"

using namespace Lexora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    ProjectDatabase &database = Fuzz::sampleDatabase();
    DatabaseIo &io = database.databaseIo();
    const std::string_view json(reinterpret_cast<const char *>(data), size);
    try {
        io.storeScreenMetaData(json);
        std::size_t sum = 0;
        for (const char *path : { "Main.qml", "" }) {
            for (const TextElide &elide : io.fetchTextElides(path))
                sum += std::size_t(elide.line + elide.column + elide.exceeds);
        }
        sum += Fuzz::sizeOf(io.fetchFullTranslatableEntries({ "main.title", "main.ok" }));
        if (sum == std::size_t(-1))
            std::abort();
    } catch (const Host::Sqlite::Exception &) { }
    // Every input starts from the same content.
    database.database().execute("DELETE FROM screenMetaData");
    database.database().execute(std::string("DELETE FROM ") + Host::Sqlite::Sessions::tableName);
    return 0;
}
