// A report page with two faults the QML report check must name: a table-of-contents entry whose
// component file does not exist, and a binding to a name that is not defined.
import QtQuick 2.0

Item {
    width: undefinedWidth
    ListModel {
        ListElement { name: 'missing'; componentFile: "components/missing1.qml" }
    }
}
