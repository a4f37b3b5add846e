import QtQuick

Column {
    Repeater {
        model: [
            { name: qsTrId("weekday.monday"), short: qsTrId("weekday.mon") },
            { name: qsTrId("weekday.tuesday"), short: qsTrId("weekday.tue") },
            { name: qsTrId("weekday.wednesday"), short: qsTrId("weekday.wed") }
        ]
        delegate: Text {
            required property var modelData
            text: modelData.name + " (" + modelData.short + ")"
        }
    }
}
