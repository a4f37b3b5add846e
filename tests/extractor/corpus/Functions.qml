import QtQuick

Item {
    function statusText(code) {
        switch (code) {
        case 0:
            return qsTrId("status.ok");
        case 1:
            return qsTrId("status.warning");
        default:
            return qsTrId("status.unknown");
        }
    }

    function plural(n) {
        return qsTrId("items.count", n).arg(n);
    }

    function nested() {
        var message = qsTrId("outer.message").arg(qsTrId("inner.argument"));
        console.log(message);
        return message;
    }
}
