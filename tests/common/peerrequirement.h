#pragma once

#include <QTest>
#include <QtGlobal>

// A test whose peer (a Qt tool, the sqlite3 shell) is missing skips on a
// developer's machine, but fails where LEXORA_REQUIRE_PEERS=1 is set (CI): a
// skip there would hide the very fault the peer exists to catch.
inline bool lexoraPeersRequired()
{
    return qEnvironmentVariableIntValue("LEXORA_REQUIRE_PEERS") == 1;
}

#define LEXORA_PEER_MISSING(message)                                                               \
    do {                                                                                           \
        if (lexoraPeersRequired())                                                                 \
            QFAIL("required peer missing: " message);                                              \
        QSKIP(message);                                                                            \
    } while (false)
