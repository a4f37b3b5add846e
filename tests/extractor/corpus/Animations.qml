import QtQuick

Rectangle {
    id: box
    width: 100; height: 100
    color: "steelblue"

    Text {
        id: label
        text: qsTrId("animation.start")
    }

    SequentialAnimation on x {
        loops: Animation.Infinite
        NumberAnimation { to: 200; duration: 1000 }
        ScriptAction { script: label.text = qsTrId("animation.halfway") }
        NumberAnimation { to: 0; duration: 1000 }
        ScriptAction { script: label.text = qsTrId("animation.back") }
    }
}
