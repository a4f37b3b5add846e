import QtQuick

Item {
    function risky() {
        try {
            throw new Error(qsTrId("error.thrown"));
        } catch (e) {
            console.error(qsTrId("error.caught"), e.message);
        } finally {
            console.log(qsTrId("error.finally"));
        }
    }
}
