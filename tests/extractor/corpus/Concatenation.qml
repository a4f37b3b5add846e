import QtQuick

Item {
    property string joined: qsTrId("concat." + "joined")
    property string triple: qsTrId("concat." + "tri" + "ple")
    property string grouped: qsTrId("concat." + ("grou" + "ped"))
    property string prefix: "concat."
    property string dynamic: qsTrId(prefix + "dynamic")
    property string fromVariable: qsTrId(prefix)
}
