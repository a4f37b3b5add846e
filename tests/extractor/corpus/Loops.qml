import QtQuick

Item {
    function buildMenu() {
        var entries = [];
        for (var i = 0; i < 3; ++i) {
            entries.push(qsTrId("loop.entry"));
        }
        let j = 0;
        while (j < 2) {
            entries.push(qsTrId("loop.while.entry"));
            ++j;
        }
        do {
            entries.push(qsTrId("loop.do.entry"));
        } while (false);
        for (const name of ["a", "b"])
            entries.push(qsTrId("loop.for.of") + name);
        return entries;
    }
}
