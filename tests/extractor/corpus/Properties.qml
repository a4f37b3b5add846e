import QtQuick

QtObject {
    property string one: qsTrId("prop.one")
    property var list: [qsTrId("prop.list.a"), qsTrId("prop.list.b")]
    property var map: ({ key: qsTrId("prop.map.value") })
    readonly property string constant: qsTrId("prop.readonly")
    default property list<QtObject> children
    required property string mandatory
    property string empty: ""
}
