import QtQuick

Item {
    width: 640
    height: 480

    Column {
        anchors.centerIn: parent
        spacing: 12

        Text {
            font.pixelSize: 24
            text: qsTrId("settings.title")
        }

        Text {
            text: qsTrId("settings.language")
        }

        Text {
            // Not translated yet on purpose: shows up as unfinished.
            text: qsTrId("settings.about")
        }

        Text {
            text: qsTrId("welcome.start")
        }
    }
}
