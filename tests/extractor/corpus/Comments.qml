import QtQuick

/* A block comment with qsTrId("not.an.id.in.comment") inside it */
Item {
    // qsTrId("also.not.an.id")
    //: A translator comment for the next call
    //~ Context extra note
    property string a: qsTrId("comments.first")

    /*: A block-style translator comment */
    property string b: qsTrId("comments.second")

    //% "Engineering text"
    property string c: qsTrId("comments.third")

    // TRANSLATOR Comments This component shows comments
    property string d: qsTrId("comments.fourth") // trailing comment
}
