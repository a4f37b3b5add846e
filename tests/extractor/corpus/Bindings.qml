import QtQuick

Item {
    id: root
    property bool online: false
    property string connection: online ? qsTrId("net.online") : qsTrId("net.offline")

    Binding {
        target: root
        property: "connection"
        value: qsTrId("net.forced")
        when: false
    }

    Component.onCompleted: root.connection = Qt.binding(function () { return qsTrId("net.bound") })
}
