import QtQuick

Item {
    readonly property var formatters: ({
        short: (n) => qsTrId("arrow.short").arg(n),
        long: function (n) { return qsTrId("arrow.long").arg(n) },
        none: () => { return qsTrId("arrow.none") }
    })

    Component.onCompleted: {
        const names = [1, 2, 3].map(n => qsTrId("arrow.map.item").arg(n));
        names.forEach(name => console.log(name, qsTrId("arrow.foreach.suffix")));
    }
}
