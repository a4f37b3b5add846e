import QtQuick

Item {
    // Only the bare function name is a translation call.
    property string namespaced: Qt.qsTrId("qtnamespace.not.matched")
    property string bare: qsTrId("qtnamespace.matched")
    property string viaObject: helper.qsTrId("qtnamespace.member.not.matched")
    QtObject { id: helper; function qsTrId(x) { return x } }
}
