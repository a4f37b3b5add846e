import QtQuick

Item {
    property int count: 3
    property string summary: `${qsTrId("template.prefix")}: ${count}`
    property string mixed: qsTrId("template.plain") + ` and ${count}`
}
