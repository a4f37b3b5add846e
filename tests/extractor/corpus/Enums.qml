import QtQuick

Item {
    enum Severity { Info, Warning, Critical }

    property int severity: Enums.Severity.Info

    function severityName(s) {
        if (s === Enums.Severity.Info)
            return qsTrId("severity.info");
        else if (s === Enums.Severity.Warning)
            return qsTrId("severity.warning");
        return qsTrId("severity.critical");
    }
}
