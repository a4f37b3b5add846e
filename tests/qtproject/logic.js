.pragma library

function summary(count) {
    //: Shown below the list.
    //% "%n folder(s) left"
    return qsTrId("folders.left", count) + " " + qsTrId("files.title")
}
