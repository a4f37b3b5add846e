import QtQuick
import QtQuick.Controls

ToolBar {
    Row {
        ToolButton { text: qsTrId("toolbar.new"); ToolTip.text: qsTrId("toolbar.new.tip") }
        ToolButton { text: qsTrId("toolbar.open"); ToolTip.text: qsTrId("toolbar.open.tip") }
        ToolButton { text: qsTrId("toolbar.save"); ToolTip.text: qsTrId("toolbar.save.tip") }
        ToolSeparator {}
        ToolButton { text: qsTrId("toolbar.undo") }
        ToolButton { text: qsTrId("toolbar.redo") }
    }
}
