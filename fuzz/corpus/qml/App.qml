import QtQuick
import QtQuick.Window

Window {
    width: 640
    height: 480
    visible: true
    title: qsTrId("app.title")

    Loader {
        anchors.fill: parent
        source: "WelcomeScreen.ui.qml"
    }
}
