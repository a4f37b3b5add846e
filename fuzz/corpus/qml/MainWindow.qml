import QtQuick
import QtQuick.Window

Window {
    id: root
    width: 1024
    height: 768
    visible: true
    //: Title of the main window
    title: qsTrId("main.window.title")

    property string status: qsTrId("main.status.ready")

    Text {
        anchors.centerIn: parent
        text: qsTrId("main.welcome")
    }
}
