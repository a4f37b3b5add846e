import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

Page {
    id: settingsPage
    title: qsTrId("settings.title")

    ColumnLayout {
        anchors.fill: parent
        CheckBox {
            text: qsTrId("settings.darkmode")
        }
        CheckBox {
            text: qsTrId("settings.notifications")
            checked: true
        }
        ComboBox {
            model: [qsTrId("settings.language.english"), qsTrId("settings.language.german"), qsTrId("settings.language.french")]
        }
        Slider {
            ToolTip.text: qsTrId("settings.volume.tooltip")
            ToolTip.visible: hovered
        }
    }
}
