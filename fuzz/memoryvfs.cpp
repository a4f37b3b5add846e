#include "memoryvfs.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace Lexora::Fuzz {

namespace {

using Content = std::shared_ptr<std::string>;

// A damaged header can claim billions of pages, and SQLite then writes a new
// page far behind the end. The system's file system makes that a sparse file;
// here it would be memory, so such a file is full instead.
constexpr sqlite3_int64 maximumFileSize = sqlite3_int64(64) << 20;

// The pages of one shared-memory index (the write-ahead log's wal-index).
using SharedMemory = std::vector<std::unique_ptr<char[]>>;

struct Files
{
    std::map<std::string, Content> contents;
    std::map<std::string, SharedMemory> sharedMemory;
    // Index pages of earlier inputs: fresh memory for each input costs more
    // under AddressSanitizer than all the rest of opening a database.
    SharedMemory sparePages;
    int temporaryCount = 0;
};

Files &files()
{
    static Files *const instance = new Files;
    return *instance;
}

// SQLite's index pages are always 32 KiB.
constexpr int sharedMemoryPageSize = 32768;

void release(SharedMemory &pages)
{
    SharedMemory &spare = files().sparePages;
    for (std::unique_ptr<char[]> &page : pages)
        spare.push_back(std::move(page));
    pages.clear();
}

// SQLite allocates szOsFile bytes and hands them to xOpen; the members after
// the base are constructed there and destroyed in xClose.
struct MemoryFile
{
    sqlite3_file base;
    std::string name;
    Content content;
    bool deleteOnClose;
};

MemoryFile *memoryFile(sqlite3_file *file)
{
    return reinterpret_cast<MemoryFile *>(file);
}

int fileClose(sqlite3_file *file)
{
    MemoryFile *self = memoryFile(file);
    if (self->deleteOnClose)
        files().contents.erase(self->name);
    self->~MemoryFile();
    return SQLITE_OK;
}

int fileRead(sqlite3_file *file, void *buffer, int amount, sqlite3_int64 offset)
{
    const std::string &content = *memoryFile(file)->content;
    const sqlite3_int64 available
        = std::clamp<sqlite3_int64>(sqlite3_int64(content.size()) - offset, 0, amount);
    if (available > 0)
        std::memcpy(buffer, content.data() + offset, std::size_t(available));
    if (available == amount)
        return SQLITE_OK;
    // SQLite relies on the missing part being zeroed.
    std::memset(static_cast<char *>(buffer) + available, 0, std::size_t(amount - available));
    return SQLITE_IOERR_SHORT_READ;
}

int fileWrite(sqlite3_file *file, const void *buffer, int amount, sqlite3_int64 offset)
{
    std::string &content = *memoryFile(file)->content;
    if (offset + amount > maximumFileSize)
        return SQLITE_FULL;
    const std::size_t end = std::size_t(offset) + std::size_t(amount);
    if (content.size() < end)
        content.resize(end);
    std::memcpy(content.data() + offset, buffer, std::size_t(amount));
    return SQLITE_OK;
}

int fileTruncate(sqlite3_file *file, sqlite3_int64 size)
{
    if (size > maximumFileSize)
        return SQLITE_FULL;
    memoryFile(file)->content->resize(std::size_t(size));
    return SQLITE_OK;
}

int fileSync(sqlite3_file *, int)
{
    return SQLITE_OK;
}

int fileSize(sqlite3_file *file, sqlite3_int64 *size)
{
    *size = sqlite3_int64(memoryFile(file)->content->size());
    return SQLITE_OK;
}

int fileLock(sqlite3_file *, int)
{
    return SQLITE_OK;
}

int fileCheckReservedLock(sqlite3_file *, int *reserved)
{
    *reserved = 0;
    return SQLITE_OK;
}

int fileControl(sqlite3_file *, int, void *)
{
    return SQLITE_NOTFOUND;
}

int fileSectorSize(sqlite3_file *)
{
    return 512;
}

int fileDeviceCharacteristics(sqlite3_file *)
{
    return SQLITE_IOCAP_POWERSAFE_OVERWRITE;
}

int fileShmMap(sqlite3_file *file, int page, int pageSize, int extend, void volatile **address)
{
    if (pageSize != sharedMemoryPageSize)
        return SQLITE_IOERR_SHMMAP;
    Files &all = files();
    SharedMemory &pages = all.sharedMemory[memoryFile(file)->name];
    if (std::size_t(page) >= pages.size()) {
        if (!extend) {
            *address = nullptr;
            return SQLITE_OK;
        }
        while (pages.size() <= std::size_t(page)) {
            if (all.sparePages.empty()) {
                pages.push_back(std::make_unique<char[]>(sharedMemoryPageSize));
            } else {
                pages.push_back(std::move(all.sparePages.back()));
                all.sparePages.pop_back();
                std::memset(pages.back().get(), 0, sharedMemoryPageSize);
            }
        }
    }
    *address = pages[std::size_t(page)].get();
    return SQLITE_OK;
}

int fileShmLock(sqlite3_file *, int, int, int)
{
    return SQLITE_OK;
}

void fileShmBarrier(sqlite3_file *) { }

int fileShmUnmap(sqlite3_file *file, int deleteFlag)
{
    Files &all = files();
    auto found = all.sharedMemory.find(memoryFile(file)->name);
    if (deleteFlag && found != all.sharedMemory.end()) {
        release(found->second);
        all.sharedMemory.erase(found);
    }
    return SQLITE_OK;
}

const sqlite3_io_methods fileMethods = {
    2,
    fileClose,
    fileRead,
    fileWrite,
    fileTruncate,
    fileSync,
    fileSize,
    fileLock,
    fileLock,
    fileCheckReservedLock,
    fileControl,
    fileSectorSize,
    fileDeviceCharacteristics,
    fileShmMap,
    fileShmLock,
    fileShmBarrier,
    fileShmUnmap,
    nullptr,
    nullptr,
};

sqlite3_vfs *systemVfs()
{
    return static_cast<sqlite3_vfs *>(sqlite3_vfs_find(nullptr)->pAppData);
}

int vfsOpen(sqlite3_vfs *, sqlite3_filename name, sqlite3_file *file, int flags, int *outFlags)
{
    file->pMethods = nullptr;
    Files &all = files();
    std::string path
        = name ? std::string(name) : "/temporary-" + std::to_string(++all.temporaryCount);
    auto found = all.contents.find(path);
    if (found == all.contents.end()) {
        if (!(flags & SQLITE_OPEN_CREATE))
            return SQLITE_CANTOPEN;
        found = all.contents.emplace(path, std::make_shared<std::string>()).first;
    }
    new (memoryFile(file))
        MemoryFile { {}, path, found->second, !name || (flags & SQLITE_OPEN_DELETEONCLOSE) };
    file->pMethods = &fileMethods;
    if (outFlags)
        *outFlags = flags;
    return SQLITE_OK;
}

int vfsDelete(sqlite3_vfs *, const char *name, int)
{
    files().contents.erase(name);
    return SQLITE_OK;
}

int vfsAccess(sqlite3_vfs *, const char *name, int flags, int *result)
{
    const Files &all = files();
    auto found = all.contents.find(name);
    // Like the system's file system: an empty file does not count as existing,
    // so an empty log is not taken for a hot one.
    *result
        = found != all.contents.end() && (flags != SQLITE_ACCESS_EXISTS || !found->second->empty());
    return SQLITE_OK;
}

int vfsFullPathname(sqlite3_vfs *, const char *name, int size, char *out)
{
    sqlite3_snprintf(size, out, "%s", name);
    return SQLITE_OK;
}

void *vfsDlOpen(sqlite3_vfs *, const char *)
{
    return nullptr;
}

void vfsDlError(sqlite3_vfs *, int size, char *message)
{
    sqlite3_snprintf(size, message, "no extensions in memory");
}

void (*vfsDlSym(sqlite3_vfs *, void *, const char *))(void)
{
    return nullptr;
}

void vfsDlClose(sqlite3_vfs *, void *) { }

int vfsRandomness(sqlite3_vfs *, int size, char *out)
{
    return systemVfs()->xRandomness(systemVfs(), size, out);
}

int vfsSleep(sqlite3_vfs *, int microseconds)
{
    return systemVfs()->xSleep(systemVfs(), microseconds);
}

int vfsCurrentTime(sqlite3_vfs *, double *time)
{
    return systemVfs()->xCurrentTime(systemVfs(), time);
}

int vfsGetLastError(sqlite3_vfs *, int, char *)
{
    return 0;
}

int vfsCurrentTimeInt64(sqlite3_vfs *, sqlite3_int64 *time)
{
    return systemVfs()->xCurrentTimeInt64(systemVfs(), time);
}

} // namespace

void MemoryVfs::install()
{
    static const bool installed = [] {
        static sqlite3_vfs vfs = {
            2,
            int(sizeof(MemoryFile)),
            1024,
            nullptr,
            "lexora-memory",
            sqlite3_vfs_find(nullptr),
            vfsOpen,
            vfsDelete,
            vfsAccess,
            vfsFullPathname,
            vfsDlOpen,
            vfsDlError,
            vfsDlSym,
            vfsDlClose,
            vfsRandomness,
            vfsSleep,
            vfsCurrentTime,
            vfsGetLastError,
            vfsCurrentTimeInt64,
            nullptr,
            nullptr,
            nullptr,
        };
        return sqlite3_vfs_register(&vfs, 1) == SQLITE_OK;
    }();
    if (!installed)
        std::abort();
}

void MemoryVfs::setFile(const std::string &path, std::string_view content)
{
    files().contents[path] = std::make_shared<std::string>(content);
}

void MemoryVfs::clear()
{
    Files &all = files();
    all.contents.clear();
    for (auto &[name, pages] : all.sharedMemory)
        release(pages);
    all.sharedMemory.clear();
}

} // namespace Lexora::Fuzz
