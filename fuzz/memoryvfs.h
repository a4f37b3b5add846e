#pragma once

#include <string>
#include <string_view>

namespace Lexora::Fuzz {

// An SQLite file system that keeps every file in the process's memory, so that
// a target can hand each input to SQLite as a database file without a single
// system call. It becomes the default, so the plugin's own open path (write-
// ahead log and its shared-memory index included) runs unchanged on it.
// Locks are not kept: one connection per file and one thread, as in the
// targets.
class MemoryVfs
{
public:
    // Registers the file system as SQLite's default, once per process.
    static void install();

    // Makes `path` hold exactly `content`, replacing any file of that name.
    static void setFile(const std::string &path, std::string_view content);
    // Forgets every file: the database, its log and index, temporary files.
    // Call while no connection is open.
    static void clear();
};

} // namespace Lexora::Fuzz
