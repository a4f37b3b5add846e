import QtQuick

Item {
    function makeGreeter() {
        class Greeter {
            constructor(name) { this.name = name; }
            greet() { return qsTrId("class.greet").arg(this.name); }
            static farewell() { return qsTrId("class.farewell"); }
        }
        return new Greeter(qsTrId("class.default.name"));
    }
}
