pragma Singleton
import QtQuick

QtObject {
    readonly property string appName: qsTrId("app.name")
    readonly property string copyright: qsTrId("app.copyright").arg(2026)
    readonly property var languages: ({
        "en": qsTrId("app.language.en"),
        "de": qsTrId("app.language.de")
    })
}
