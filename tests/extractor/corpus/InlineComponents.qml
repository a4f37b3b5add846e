import QtQuick

Item {
    component Badge: Rectangle {
        property alias label: badgeText.text
        radius: 4
        Text { id: badgeText; text: qsTrId("badge.default") }
    }

    component Header: Text {
        text: qsTrId("header.default")
        font.bold: true
    }

    Badge { label: qsTrId("badge.new") }
    Badge { label: qsTrId("badge.sale") }
    Header { }
}
