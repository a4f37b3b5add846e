#include "sqlitetemporaryfiles.h"

#include <sqlite3.h>

#include <atomic>
#include <mutex>

namespace Host::Sqlite {

namespace {

std::atomic<std::int64_t> limit { defaultTemporaryFileLimit };
std::atomic<std::int64_t> used { 0 };
sqlite3_vfs *defaultVfs = nullptr;
sqlite3_vfs limitedVfs = {};
sqlite3_io_methods limitedMethods = {};

// The default VFS's file follows this header in the memory SQLite provides.
struct LimitedFile
{
    sqlite3_file base;
    sqlite3_int64 size;
};

sqlite3_file *inner(sqlite3_file *file)
{
    return reinterpret_cast<sqlite3_file *>(reinterpret_cast<LimitedFile *>(file) + 1);
}

int limitedClose(sqlite3_file *file)
{
    used -= reinterpret_cast<LimitedFile *>(file)->size;
    return inner(file)->pMethods->xClose(inner(file));
}

int limitedRead(sqlite3_file *file, void *data, int amount, sqlite3_int64 offset)
{
    return inner(file)->pMethods->xRead(inner(file), data, amount, offset);
}

int limitedWrite(sqlite3_file *file, const void *data, int amount, sqlite3_int64 offset)
{
    auto *limited = reinterpret_cast<LimitedFile *>(file);
    const sqlite3_int64 growth = offset + amount - limited->size;
    if (growth > 0) {
        if (used.fetch_add(growth) + growth > limit) {
            used -= growth;
            return SQLITE_FULL;
        }
        limited->size += growth;
    }
    return inner(file)->pMethods->xWrite(inner(file), data, amount, offset);
}

int limitedTruncate(sqlite3_file *file, sqlite3_int64 size)
{
    auto *limited = reinterpret_cast<LimitedFile *>(file);
    if (size < limited->size) {
        used -= limited->size - size;
        limited->size = size;
    }
    return inner(file)->pMethods->xTruncate(inner(file), size);
}

int limitedSync(sqlite3_file *file, int flags)
{
    return inner(file)->pMethods->xSync(inner(file), flags);
}

int limitedFileSize(sqlite3_file *file, sqlite3_int64 *size)
{
    return inner(file)->pMethods->xFileSize(inner(file), size);
}

int limitedLock(sqlite3_file *file, int level)
{
    return inner(file)->pMethods->xLock(inner(file), level);
}

int limitedUnlock(sqlite3_file *file, int level)
{
    return inner(file)->pMethods->xUnlock(inner(file), level);
}

int limitedCheckReservedLock(sqlite3_file *file, int *result)
{
    return inner(file)->pMethods->xCheckReservedLock(inner(file), result);
}

int limitedFileControl(sqlite3_file *file, int operation, void *argument)
{
    return inner(file)->pMethods->xFileControl(inner(file), operation, argument);
}

int limitedSectorSize(sqlite3_file *file)
{
    return inner(file)->pMethods->xSectorSize(inner(file));
}

int limitedDeviceCharacteristics(sqlite3_file *file)
{
    return inner(file)->pMethods->xDeviceCharacteristics(inner(file));
}

int limitedOpen(sqlite3_vfs *, const char *name, sqlite3_file *file, int flags, int *outFlags)
{
    constexpr int temporary = SQLITE_OPEN_TEMP_DB | SQLITE_OPEN_TEMP_JOURNAL
        | SQLITE_OPEN_TRANSIENT_DB | SQLITE_OPEN_SUBJOURNAL;
    if (!(flags & temporary))
        return defaultVfs->xOpen(defaultVfs, name, file, flags, outFlags);

    auto *limited = reinterpret_cast<LimitedFile *>(file);
    limited->base.pMethods = nullptr;
    limited->size = 0;
    sqlite3_file *innerFile = inner(file);
    innerFile->pMethods = nullptr;
    const int result = defaultVfs->xOpen(defaultVfs, name, innerFile, flags, outFlags);
    if (result != SQLITE_OK) {
        if (innerFile->pMethods)
            innerFile->pMethods->xClose(innerFile);
        return result;
    }
    // Version 1: temporary files use neither shared memory nor memory mapping.
    limited->base.pMethods = &limitedMethods;
    return SQLITE_OK;
}

} // namespace

const char *limitedTemporaryFilesVfs()
{
    static std::once_flag registered;
    std::call_once(registered, [] {
        defaultVfs = sqlite3_vfs_find(nullptr);
        limitedVfs = *defaultVfs;
        limitedVfs.zName = "host-limited-temporary-files";
        limitedVfs.szOsFile = int(sizeof(LimitedFile)) + defaultVfs->szOsFile;
        limitedVfs.xOpen = limitedOpen;
        limitedVfs.pNext = nullptr;
        limitedMethods = { 1,
                           limitedClose,
                           limitedRead,
                           limitedWrite,
                           limitedTruncate,
                           limitedSync,
                           limitedFileSize,
                           limitedLock,
                           limitedUnlock,
                           limitedCheckReservedLock,
                           limitedFileControl,
                           limitedSectorSize,
                           limitedDeviceCharacteristics,
                           nullptr,
                           nullptr,
                           nullptr,
                           nullptr,
                           nullptr,
                           nullptr };
        sqlite3_vfs_register(&limitedVfs, 0);
    });
    return limitedVfs.zName;
}

std::int64_t temporaryFileLimit()
{
    return limit;
}

void setTemporaryFileLimit(std::int64_t bytes)
{
    limit = bytes;
}

std::int64_t temporaryFileBytes()
{
    return used;
}

} // namespace Host::Sqlite
