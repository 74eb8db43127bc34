== toc
        ListElement {
            name: "Stage"
            componentFile: "components/folder1.qml"
            visibility: true
            folderVisible: false
            tabNum: 0
            imgSource: "img/mirel_closed_folder.png"
            carrotSource: "img/right_carrot.png"
            highlightColor: "transparent"
        }
        ListElement {
            name: "Text"
            componentFile: "components/text2.qml"
            visibility: false
            folderVisible: false
            tabNum: 1
            imgSource: "img/mirel_generic_file.png"
            carrotSource: ""
            highlightColor: "transparent"
        }
        ListElement {
            name: "Legal"
            componentFile: "components/text3.qml"
            visibility: false
            folderVisible: false
            tabNum: 1
            imgSource: "img/mirel_generic_file.png"
            carrotSource: ""
            highlightColor: "transparent"
        }
        ListElement {
            name: "No Text"
            componentFile: "components/text4.qml"
            visibility: false
            folderVisible: false
            tabNum: 1
            imgSource: "img/mirel_generic_file.png"
            carrotSource: ""
            highlightColor: "transparent"
        }
        ListElement {
            name: "Live"
            componentFile: "components/notice5.qml"
            visibility: false
            folderVisible: false
            tabNum: 1
            imgSource: "img/mirel_question_mark.png"
            carrotSource: ""
            highlightColor: "transparent"
        }
        ListElement {
            name: "Table"
            componentFile: "components/table6.qml"
            visibility: false
            folderVisible: false
            tabNum: 1
            imgSource: "img/mirel_table.png"
            carrotSource: ""
            highlightColor: "transparent"
        }
        ListElement {
            name: "Cells"
            componentFile: "components/table7.qml"
            visibility: false
            folderVisible: false
            tabNum: 1
            imgSource: "img/mirel_table.png"
            carrotSource: ""
            highlightColor: "transparent"
        }
        ListElement {
            name: "New Table"
            componentFile: "components/table8.qml"
            visibility: false
            folderVisible: false
            tabNum: 1
            imgSource: "img/mirel_table.png"
            carrotSource: ""
            highlightColor: "transparent"
        }
        ListElement {
            name: "Link Table"
            componentFile: "components/table9.qml"
            visibility: false
            folderVisible: false
            tabNum: 1
            imgSource: "img/mirel_table.png"
            carrotSource: ""
            highlightColor: "transparent"
        }
        ListElement {
            name: "Summary"
            componentFile: "components/table10.qml"
            visibility: false
            folderVisible: false
            tabNum: 1
            imgSource: "img/mirel_summary_table.png"
            carrotSource: ""
            highlightColor: "transparent"
        }
        ListElement {
            name: "Gauges"
            componentFile: "components/notice11.qml"
            visibility: false
            folderVisible: false
            tabNum: 1
            imgSource: "img/mirel_question_mark.png"
            carrotSource: ""
            highlightColor: "transparent"
        }
        ListElement {
            name: "Tcl Table"
            componentFile: "components/table12.qml"
            visibility: false
            folderVisible: false
            tabNum: 1
            imgSource: "img/mirel_timing_table.png"
            carrotSource: ""
            highlightColor: "transparent"
        }
        ListElement {
            name: "Chart"
            componentFile: "components/table13.qml"
            visibility: false
            folderVisible: false
            tabNum: 1
            imgSource: "img/mirel_bar_chart.png"
            carrotSource: ""
            highlightColor: "transparent"
        }
        ListElement {
            name: "Histogram"
            componentFile: "components/histogram14.qml"
            visibility: false
            folderVisible: false
            tabNum: 1
            imgSource: "img/mirel_histogram.png"
            carrotSource: ""
            highlightColor: "transparent"
        }
        ListElement {
            name: "Heat Map"
            componentFile: "components/table15.qml"
            visibility: false
            folderVisible: false
            tabNum: 1
            imgSource: "img/mirel_question_mark.png"
            carrotSource: ""
            highlightColor: "transparent"
        }
        ListElement {
            name: "Grid"
            componentFile: "components/notice16.qml"
            visibility: false
            folderVisible: false
            tabNum: 1
            imgSource: "img/mirel_grid_table.png"
            carrotSource: ""
            highlightColor: "transparent"
        }
        ListElement {
            name: "Pinout"
            componentFile: "components/notice17.qml"
            visibility: false
            folderVisible: false
            tabNum: 1
            imgSource: "img/mirel_input_small.png"
            carrotSource: ""
            highlightColor: "transparent"
        }
        ListElement {
            name: "Memory"
            componentFile: "components/notice18.qml"
            visibility: false
            folderVisible: false
            tabNum: 1
            imgSource: "img/mirel_generic_file.png"
            carrotSource: ""
            highlightColor: "transparent"
        }
        ListElement {
            name: "Waveforms"
            componentFile: "components/waveform19.qml"
            visibility: false
            folderVisible: false
            tabNum: 1
            imgSource: "img/mirel_waveform.png"
            carrotSource: ""
            highlightColor: "transparent"
        }
        ListElement {
            name: "Paths"
            componentFile: "components/folder20.qml"
            visibility: false
            folderVisible: false
            tabNum: 1
            imgSource: "img/mirel_closed_folder.png"
            carrotSource: "img/right_carrot.png"
            highlightColor: "transparent"
        }
        ListElement {
            name: "Path Summary"
            componentFile: "components/table21.qml"
            visibility: false
            folderVisible: false
            tabNum: 2
            imgSource: "img/mirel_table.png"
            carrotSource: ""
            highlightColor: "transparent"
        }
        ListElement {
            name: "Path 1"
            componentFile: "components/path22.qml"
            visibility: false
            folderVisible: false
            tabNum: 2
            imgSource: "img/mirel_report_path.png"
            carrotSource: ""
            highlightColor: "transparent"
        }
        ListElement {
            name: "Master Detail"
            componentFile: "components/folder27.qml"
            visibility: false
            folderVisible: false
            tabNum: 1
            imgSource: "img/mirel_closed_folder.png"
            carrotSource: "img/right_carrot.png"
            highlightColor: "transparent"
        }
        ListElement {
            name: "Master"
            componentFile: "components/table28.qml"
            visibility: false
            folderVisible: false
            tabNum: 2
            imgSource: "img/mirel_table.png"
            carrotSource: ""
            highlightColor: "transparent"
        }
        ListElement {
            name: "Detail"
            componentFile: "components/text29.qml"
            visibility: false
            folderVisible: false
            tabNum: 2
            imgSource: "img/mirel_generic_file.png"
            carrotSource: ""
            highlightColor: "transparent"
        }
        ListElement {
            name: "Master Detail Both"
            componentFile: "components/folder30.qml"
            visibility: false
            folderVisible: false
            tabNum: 1
            imgSource: "img/mirel_closed_folder.png"
            carrotSource: "img/right_carrot.png"
            highlightColor: "transparent"
        }
        ListElement {
            name: "First Detail"
            componentFile: "components/text31.qml"
            visibility: false
            folderVisible: false
            tabNum: 2
            imgSource: "img/mirel_generic_file.png"
            carrotSource: ""
            highlightColor: "transparent"
        }
        ListElement {
            name: "Master And Detail"
            componentFile: "components/table32.qml"
            visibility: false
            folderVisible: false
            tabNum: 2
            imgSource: "img/mirel_table.png"
            carrotSource: ""
            highlightColor: "transparent"
        }
        ListElement {
            name: "Corners"
            componentFile: "components/folder33.qml"
            visibility: false
            folderVisible: false
            tabNum: 1
            imgSource: "img/mirel_closed_folder.png"
            carrotSource: "img/right_carrot.png"
            highlightColor: "transparent"
        }
        ListElement {
            name: "Slow Corner"
            componentFile: "components/text34.qml"
            visibility: false
            folderVisible: false
            tabNum: 2
            imgSource: "img/mirel_generic_file.png"
            carrotSource: ""
            highlightColor: "transparent"
        }
        ListElement {
            name: "Linked"
            componentFile: "components/folder35.qml"
            visibility: false
            folderVisible: false
            tabNum: 1
            imgSource: "img/mirel_closed_folder.png"
            carrotSource: "img/right_carrot.png"
            highlightColor: "transparent"
        }
        ListElement {
            name: "Linked Report"
            componentFile: "components/folder36.qml"
            visibility: false
            folderVisible: false
            tabNum: 1
            imgSource: "img/mirel_closed_folder.png"
            carrotSource: "img/right_carrot.png"
            highlightColor: "transparent"
        }
        ListElement {
            name: "Linked Text"
            componentFile: "components/text37.qml"
            visibility: false
            folderVisible: false
            tabNum: 2
            imgSource: "img/mirel_generic_file.png"
            carrotSource: ""
            highlightColor: "transparent"
        }
== folder1.qml
import QtQuick 2.12

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Stage"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    Text {
        id: body
        anchors.top: header.bottom
        padding: 4
        text: "Click on an entry below this folder."
    }
}
== text2.qml
import QtQuick 2.12
import QtQuick.Controls 1.4

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Text"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    TextArea {
        id: body
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        readOnly: true
        frameVisible: false
        textFormat: TextEdit.AutoText
        text: "free text"
    }
}
== text3.qml
import QtQuick 2.12
import QtQuick.Controls 1.4

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Legal"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    TextArea {
        id: body
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        readOnly: true
        frameVisible: false
        textFormat: TextEdit.PlainText
        text: "This software and the reports it produces are provided \"as is\", without warranty of any kind,\nexpress or implied, including but not limited to the warranties of merchantability,\nfitness for a particular purpose and noninfringement. In no event shall the authors or\ncopyright holders be liable for any claim, damages or other liability arising from, out\nof or in connection with the software or the use of its results.\nYour use of the software and of these reports is subject to the terms of the license\nagreement under which the software was provided to you."
    }
}
== text4.qml
import QtQuick 2.12
import QtQuick.Controls 1.4

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "No Text"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    TextArea {
        id: body
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        readOnly: true
        frameVisible: false
        textFormat: TextEdit.PlainText
        text: ""
    }
}
== notice5.qml
import QtQuick 2.12

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Live"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    Text {
        id: body
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        padding: 4
        wrapMode: Text.Wrap
        textFormat: Text.PlainText
        text: "QML output is not currently supported for this panel."
    }
}
== table6.qml
import QtQuick 2.12
import QtQuick.Controls 1.4 as QC1

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Table"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    ListModel {
        id: listModel
        ListElement {
            c0: "alpha"
            c1: "1"
            foregroundColors: [ListElement { color: "black" }, ListElement { color: "black" }]
            backgroundColors: [ListElement { color: "transparent" }, ListElement { color: "transparent" }]
            textFormat: [ListElement { format: "auto" }, ListElement { format: "auto" }]
        }
        ListElement {
            c0: "beta"
            c1: "2"
            foregroundColors: [ListElement { color: "black" }, ListElement { color: "black" }]
            backgroundColors: [ListElement { color: "transparent" }, ListElement { color: "transparent" }]
            textFormat: [ListElement { format: "auto" }, ListElement { format: "auto" }]
        }
        ListElement {
            c0: "run"
            c1: "-20 .. [0 .. 5] .. 0"
            foregroundColors: [ListElement { color: "black" }, ListElement { color: "black" }]
            backgroundColors: [ListElement { color: "transparent" }, ListElement { color: "transparent" }]
            textFormat: [ListElement { format: "auto" }, ListElement { format: "auto" }]
        }
    }
    QC1.TableView {
        id: tableView
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        model: listModel
        QC1.TableViewColumn {
            role: "c0"
            title: "Name"
            width: 160
        }
        QC1.TableViewColumn {
            role: "c1"
            title: "Value"
            width: 160
        }
        headerDelegate: Rectangle {
            implicitHeight: 22
            color: "#e0e0e0"
            border.color: "#b0b0b0"
            Text {
                anchors.fill: parent
                anchors.leftMargin: 4
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
                font.bold: true
                textFormat: Text.PlainText
                text: styleData.value !== undefined ? styleData.value : ""
            }
        }
        itemDelegate: Rectangle {
            function cellValue(list, role, fallback) {
                if (styleData.row < 0 || styleData.row >= listModel.count) return fallback
                var values = listModel.get(styleData.row)[list]
                if (!values || styleData.column < 0 || styleData.column >= values.count) return fallback
                return values.get(styleData.column)[role]
            }
            color: cellValue("backgroundColors", "color", "transparent")
            Text {
                anchors.fill: parent
                anchors.leftMargin: 4
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
                text: styleData.value !== undefined ? styleData.value : ""
                color: cellValue("foregroundColors", "color", "black")
                textFormat: cellValue("textFormat", "format", "auto") === "rich" ? Text.RichText : Text.PlainText
            }
        }
    }
}
== table7.qml
import QtQuick 2.12
import QtQuick.Controls 1.4 as QC1

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Cells"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    ListModel {
        id: listModel
        ListElement {
            c0: ""
            c1: "text"
            c2: "run"
            c3: "-7"
            c4: "2.500 ns"
            c5: "-8 .. [-2 .. 3] .. 9"
            c6: "u1"
            foregroundColors: [ListElement { color: "black" }, ListElement { color: "black" }, ListElement { color: "black" }, ListElement { color: "black" }, ListElement { color: "black" }, ListElement { color: "black" }, ListElement { color: "black" }]
            backgroundColors: [ListElement { color: "transparent" }, ListElement { color: "transparent" }, ListElement { color: "transparent" }, ListElement { color: "transparent" }, ListElement { color: "transparent" }, ListElement { color: "transparent" }, ListElement { color: "transparent" }]
            textFormat: [ListElement { format: "auto" }, ListElement { format: "auto" }, ListElement { format: "auto" }, ListElement { format: "auto" }, ListElement { format: "auto" }, ListElement { format: "auto" }, ListElement { format: "auto" }]
        }
    }
    QC1.TableView {
        id: tableView
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        model: listModel
        QC1.TableViewColumn {
            role: "c0"
            title: "Empty"
            width: 160
        }
        QC1.TableViewColumn {
            role: "c1"
            title: "Text"
            width: 160
        }
        QC1.TableViewColumn {
            role: "c2"
            title: "Command"
            width: 160
        }
        QC1.TableViewColumn {
            role: "c3"
            title: "Count"
            width: 160
        }
        QC1.TableViewColumn {
            role: "c4"
            title: "Delay"
            width: 160
        }
        QC1.TableViewColumn {
            role: "c5"
            title: "Window"
            width: 160
        }
        QC1.TableViewColumn {
            role: "c6"
            title: "Instance"
            width: 160
        }
        headerDelegate: Rectangle {
            implicitHeight: 22
            color: "#e0e0e0"
            border.color: "#b0b0b0"
            Text {
                anchors.fill: parent
                anchors.leftMargin: 4
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
                font.bold: true
                textFormat: Text.PlainText
                text: styleData.value !== undefined ? styleData.value : ""
            }
        }
        itemDelegate: Rectangle {
            function cellValue(list, role, fallback) {
                if (styleData.row < 0 || styleData.row >= listModel.count) return fallback
                var values = listModel.get(styleData.row)[list]
                if (!values || styleData.column < 0 || styleData.column >= values.count) return fallback
                return values.get(styleData.column)[role]
            }
            color: cellValue("backgroundColors", "color", "transparent")
            Text {
                anchors.fill: parent
                anchors.leftMargin: 4
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
                text: styleData.value !== undefined ? styleData.value : ""
                color: cellValue("foregroundColors", "color", "black")
                textFormat: cellValue("textFormat", "format", "auto") === "rich" ? Text.RichText : Text.PlainText
            }
        }
    }
}
== table8.qml
import QtQuick 2.12
import QtQuick.Controls 1.4 as QC1

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "New Table"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    ListModel {
        id: listModel
        ListElement {
            c0: "alpha"
            c1: "1"
            foregroundColors: [ListElement { color: "black" }, ListElement { color: "black" }]
            backgroundColors: [ListElement { color: "transparent" }, ListElement { color: "transparent" }]
            textFormat: [ListElement { format: "auto" }, ListElement { format: "auto" }]
        }
        ListElement {
            c0: "beta"
            c1: "2"
            foregroundColors: [ListElement { color: "black" }, ListElement { color: "black" }]
            backgroundColors: [ListElement { color: "transparent" }, ListElement { color: "transparent" }]
            textFormat: [ListElement { format: "auto" }, ListElement { format: "auto" }]
        }
    }
    QC1.TableView {
        id: tableView
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        model: listModel
        QC1.TableViewColumn {
            role: "c0"
            title: "Name"
            width: 160
        }
        QC1.TableViewColumn {
            role: "c1"
            title: "Value"
            width: 160
        }
        headerDelegate: Rectangle {
            implicitHeight: 22
            color: "#e0e0e0"
            border.color: "#b0b0b0"
            Text {
                anchors.fill: parent
                anchors.leftMargin: 4
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
                font.bold: true
                textFormat: Text.PlainText
                text: styleData.value !== undefined ? styleData.value : ""
            }
        }
        itemDelegate: Rectangle {
            function cellValue(list, role, fallback) {
                if (styleData.row < 0 || styleData.row >= listModel.count) return fallback
                var values = listModel.get(styleData.row)[list]
                if (!values || styleData.column < 0 || styleData.column >= values.count) return fallback
                return values.get(styleData.column)[role]
            }
            color: cellValue("backgroundColors", "color", "transparent")
            Text {
                anchors.fill: parent
                anchors.leftMargin: 4
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
                text: styleData.value !== undefined ? styleData.value : ""
                color: cellValue("foregroundColors", "color", "black")
                textFormat: cellValue("textFormat", "format", "auto") === "rich" ? Text.RichText : Text.PlainText
            }
        }
    }
}
== table9.qml
import QtQuick 2.12
import QtQuick.Controls 1.4 as QC1

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Link Table"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    ListModel {
        id: listModel
        ListElement {
            c1: "1"
            foregroundColors: [ListElement { color: "black" }]
            backgroundColors: [ListElement { color: "transparent" }]
            textFormat: [ListElement { format: "auto" }]
        }
        ListElement {
            c1: "2"
            foregroundColors: [ListElement { color: "black" }]
            backgroundColors: [ListElement { color: "transparent" }]
            textFormat: [ListElement { format: "auto" }]
        }
    }
    QC1.TableView {
        id: tableView
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        model: listModel
        QC1.TableViewColumn {
            role: "c1"
            title: "Value"
            width: 160
        }
        headerDelegate: Rectangle {
            implicitHeight: 22
            color: "#e0e0e0"
            border.color: "#b0b0b0"
            Text {
                anchors.fill: parent
                anchors.leftMargin: 4
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
                font.bold: true
                textFormat: Text.PlainText
                text: styleData.value !== undefined ? styleData.value : ""
            }
        }
        itemDelegate: Rectangle {
            function cellValue(list, role, fallback) {
                if (styleData.row < 0 || styleData.row >= listModel.count) return fallback
                var values = listModel.get(styleData.row)[list]
                if (!values || styleData.column < 0 || styleData.column >= values.count) return fallback
                return values.get(styleData.column)[role]
            }
            color: cellValue("backgroundColors", "color", "transparent")
            Text {
                anchors.fill: parent
                anchors.leftMargin: 4
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
                text: styleData.value !== undefined ? styleData.value : ""
                color: cellValue("foregroundColors", "color", "black")
                textFormat: cellValue("textFormat", "format", "auto") === "rich" ? Text.RichText : Text.PlainText
            }
        }
    }
}
== table10.qml
import QtQuick 2.12
import QtQuick.Controls 1.4 as QC1

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Summary"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    ListModel {
        id: listModel
        ListElement {
            c0: "alpha"
            foregroundColors: [ListElement { color: "black" }]
            backgroundColors: [ListElement { color: "transparent" }]
            textFormat: [ListElement { format: "auto" }]
        }
        ListElement {
            c0: "beta"
            foregroundColors: [ListElement { color: "black" }]
            backgroundColors: [ListElement { color: "transparent" }]
            textFormat: [ListElement { format: "auto" }]
        }
        ListElement {
            c0: "run"
            foregroundColors: [ListElement { color: "black" }]
            backgroundColors: [ListElement { color: "transparent" }]
            textFormat: [ListElement { format: "auto" }]
        }
    }
    QC1.TableView {
        id: tableView
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        model: listModel
        QC1.TableViewColumn {
            role: "c0"
            title: "Name"
            width: 160
        }
        headerDelegate: Rectangle {
            implicitHeight: 22
            color: "#e0e0e0"
            border.color: "#b0b0b0"
            Text {
                anchors.fill: parent
                anchors.leftMargin: 4
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
                font.bold: true
                textFormat: Text.PlainText
                text: styleData.value !== undefined ? styleData.value : ""
            }
        }
        itemDelegate: Rectangle {
            function cellValue(list, role, fallback) {
                if (styleData.row < 0 || styleData.row >= listModel.count) return fallback
                var values = listModel.get(styleData.row)[list]
                if (!values || styleData.column < 0 || styleData.column >= values.count) return fallback
                return values.get(styleData.column)[role]
            }
            color: cellValue("backgroundColors", "color", "transparent")
            Text {
                anchors.fill: parent
                anchors.leftMargin: 4
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
                text: styleData.value !== undefined ? styleData.value : ""
                color: cellValue("foregroundColors", "color", "black")
                textFormat: cellValue("textFormat", "format", "auto") === "rich" ? Text.RichText : Text.PlainText
            }
        }
    }
}
== notice11.qml
import QtQuick 2.12

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Gauges"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    Text {
        id: body
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        padding: 4
        wrapMode: Text.Wrap
        textFormat: Text.PlainText
        text: "You are trying to visit a gauges object. \nQML output is not currently supported for this panel."
    }
}
== table12.qml
import QtQuick 2.12
import QtQuick.Controls 1.4 as QC1

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Tcl Table"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    ListModel {
        id: listModel
        ListElement {
            c0: "alpha"
            c1: "1"
            foregroundColors: [ListElement { color: "black" }, ListElement { color: "black" }]
            backgroundColors: [ListElement { color: "transparent" }, ListElement { color: "transparent" }]
            textFormat: [ListElement { format: "auto" }, ListElement { format: "auto" }]
        }
        ListElement {
            c0: "beta"
            c1: "2"
            foregroundColors: [ListElement { color: "black" }, ListElement { color: "black" }]
            backgroundColors: [ListElement { color: "transparent" }, ListElement { color: "transparent" }]
            textFormat: [ListElement { format: "auto" }, ListElement { format: "auto" }]
        }
    }
    QC1.TableView {
        id: tableView
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        model: listModel
        QC1.TableViewColumn {
            role: "c0"
            title: "Name"
            width: 160
        }
        QC1.TableViewColumn {
            role: "c1"
            title: "Value"
            width: 160
        }
        headerDelegate: Rectangle {
            implicitHeight: 22
            color: "#e0e0e0"
            border.color: "#b0b0b0"
            Text {
                anchors.fill: parent
                anchors.leftMargin: 4
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
                font.bold: true
                textFormat: Text.PlainText
                text: styleData.value !== undefined ? styleData.value : ""
            }
        }
        itemDelegate: Rectangle {
            function cellValue(list, role, fallback) {
                if (styleData.row < 0 || styleData.row >= listModel.count) return fallback
                var values = listModel.get(styleData.row)[list]
                if (!values || styleData.column < 0 || styleData.column >= values.count) return fallback
                return values.get(styleData.column)[role]
            }
            color: cellValue("backgroundColors", "color", "transparent")
            Text {
                anchors.fill: parent
                anchors.leftMargin: 4
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
                text: styleData.value !== undefined ? styleData.value : ""
                color: cellValue("foregroundColors", "color", "black")
                textFormat: cellValue("textFormat", "format", "auto") === "rich" ? Text.RichText : Text.PlainText
            }
        }
    }
}
== table13.qml
import QtQuick 2.12
import QtQuick.Controls 1.4 as QC1

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Chart"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    ListModel {
        id: listModel
        ListElement {
            c0: "LUT"
            c1: "12"
            foregroundColors: [ListElement { color: "black" }, ListElement { color: "black" }]
            backgroundColors: [ListElement { color: "transparent" }, ListElement { color: "transparent" }]
            textFormat: [ListElement { format: "auto" }, ListElement { format: "auto" }]
        }
    }
    QC1.TableView {
        id: tableView
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        model: listModel
        QC1.TableViewColumn {
            role: "c0"
            title: "Kind"
            width: 160
        }
        QC1.TableViewColumn {
            role: "c1"
            title: "Count"
            width: 160
        }
        headerDelegate: Rectangle {
            implicitHeight: 22
            color: "#e0e0e0"
            border.color: "#b0b0b0"
            Text {
                anchors.fill: parent
                anchors.leftMargin: 4
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
                font.bold: true
                textFormat: Text.PlainText
                text: styleData.value !== undefined ? styleData.value : ""
            }
        }
        itemDelegate: Rectangle {
            function cellValue(list, role, fallback) {
                if (styleData.row < 0 || styleData.row >= listModel.count) return fallback
                var values = listModel.get(styleData.row)[list]
                if (!values || styleData.column < 0 || styleData.column >= values.count) return fallback
                return values.get(styleData.column)[role]
            }
            color: cellValue("backgroundColors", "color", "transparent")
            Text {
                anchors.fill: parent
                anchors.leftMargin: 4
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
                text: styleData.value !== undefined ? styleData.value : ""
                color: cellValue("foregroundColors", "color", "black")
                textFormat: cellValue("textFormat", "format", "auto") === "rich" ? Text.RichText : Text.PlainText
            }
        }
    }
}
== histogram14.qml
import QtQuick 2.12
import QtCharts 2.2

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Histogram"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    ChartView {
        id: histogram
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        legend.visible: false
        antialiasing: true
        StackedBarSeries {
            name: ' Histogram'
            barWidth: 1
            axisX: BarCategoryAxis {
                categories: ["[ 0.000 , 0.500 ]"]
                labelsAngle: -90
                titleText: "Bin Boundary (ns)"
            }
            axisY: ValueAxis {
                min: 0
                max: 3
                titleText: "Value"
            }
            BarSet {
                label: "Value"
                values: [3]
            }
        }
    }
}
== table15.qml
import QtQuick 2.12
import QtQuick.Controls 1.4 as QC1

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Heat Map"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    ListModel {
        id: listModel
        ListElement {
            c0: "alpha"
            c1: "1"
            foregroundColors: [ListElement { color: "black" }, ListElement { color: "black" }]
            backgroundColors: [ListElement { color: "transparent" }, ListElement { color: "transparent" }]
            textFormat: [ListElement { format: "auto" }, ListElement { format: "auto" }]
        }
        ListElement {
            c0: "beta"
            c1: "2"
            foregroundColors: [ListElement { color: "black" }, ListElement { color: "black" }]
            backgroundColors: [ListElement { color: "transparent" }, ListElement { color: "transparent" }]
            textFormat: [ListElement { format: "auto" }, ListElement { format: "auto" }]
        }
    }
    QC1.TableView {
        id: tableView
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        model: listModel
        QC1.TableViewColumn {
            role: "c0"
            title: "Name"
            width: 160
        }
        QC1.TableViewColumn {
            role: "c1"
            title: "Value"
            width: 160
        }
        headerDelegate: Rectangle {
            implicitHeight: 22
            color: "#e0e0e0"
            border.color: "#b0b0b0"
            Text {
                anchors.fill: parent
                anchors.leftMargin: 4
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
                font.bold: true
                textFormat: Text.PlainText
                text: styleData.value !== undefined ? styleData.value : ""
            }
        }
        itemDelegate: Rectangle {
            function cellValue(list, role, fallback) {
                if (styleData.row < 0 || styleData.row >= listModel.count) return fallback
                var values = listModel.get(styleData.row)[list]
                if (!values || styleData.column < 0 || styleData.column >= values.count) return fallback
                return values.get(styleData.column)[role]
            }
            color: cellValue("backgroundColors", "color", "transparent")
            Text {
                anchors.fill: parent
                anchors.leftMargin: 4
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
                text: styleData.value !== undefined ? styleData.value : ""
                color: cellValue("foregroundColors", "color", "black")
                textFormat: cellValue("textFormat", "format", "auto") === "rich" ? Text.RichText : Text.PlainText
            }
        }
    }
}
== notice16.qml
import QtQuick 2.12

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Grid"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    Text {
        id: body
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        padding: 4
        wrapMode: Text.Wrap
        textFormat: Text.PlainText
        text: "\' You are trying to view a grid table \nQML output is not currently supported for this panel."
    }
}
== notice17.qml
import QtQuick 2.12

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Pinout"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    Text {
        id: body
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        padding: 4
        wrapMode: Text.Wrap
        textFormat: Text.PlainText
        text: "You are trying to view an embedded object. \nQML output is not currently supported for this panel.\nInformation on the embedded object you are trying to open:\n"
    }
}
== notice18.qml
import QtQuick 2.12

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Memory"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    Text {
        id: body
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        padding: 4
        wrapMode: Text.Wrap
        textFormat: Text.PlainText
        text: "Memory report data cannot be output to QML. \n Please use rdb to view the memory report data."
    }
}
== waveform19.qml
import QtQuick 2.12
import QtQuick.Controls 1.4 as Ctrl

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Waveforms"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    Ctrl.ScrollView {
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        horizontalScrollBarPolicy: Qt.ScrollBarAlwaysOn
        Image {
            id: waveformImage
            fillMode: Image.PreserveAspectFit
            height: root.height - header.height
            anchors.topMargin: 4
            source: "../waveform_Waveforms.gif"
        }
    }
}
== folder20.qml
import QtQuick 2.12

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Paths"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    Text {
        id: body
        anchors.top: header.bottom
        padding: 4
        text: "Click on an entry below this folder."
    }
    Rectangle {
        id: sliderbar
        y: body.y + body.height + 100
        width: parent.width
        height: 6
        color: "lightgrey"
        border.color: "darkgrey"
        border.width: 2
        MouseArea {
            anchors.fill: parent
            cursorShape: Qt.SizeVerCursor
            drag.target: sliderbar
            drag.axis: Drag.YAxis
            drag.minimumY: body.y + body.height
            drag.maximumY: Math.max(body.y + body.height, root.height - sliderbar.height)
        }
    }
    Item {
        id: selectedPath
        anchors.top: sliderbar.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
    }
}
== table21.qml
import QtQuick 2.12
import QtQuick.Controls 1.4 as QC1

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Path Summary"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    ListModel {
        id: listModel
        ListElement {
            c0: "alpha"
            c1: "1"
            foregroundColors: [ListElement { color: "black" }, ListElement { color: "black" }]
            backgroundColors: [ListElement { color: "transparent" }, ListElement { color: "transparent" }]
            textFormat: [ListElement { format: "auto" }, ListElement { format: "auto" }]
        }
        ListElement {
            c0: "beta"
            c1: "2"
            foregroundColors: [ListElement { color: "black" }, ListElement { color: "black" }]
            backgroundColors: [ListElement { color: "transparent" }, ListElement { color: "transparent" }]
            textFormat: [ListElement { format: "auto" }, ListElement { format: "auto" }]
        }
    }
    QC1.TableView {
        id: tableView
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        model: listModel
        QC1.TableViewColumn {
            role: "c0"
            title: "Name"
            width: 160
        }
        QC1.TableViewColumn {
            role: "c1"
            title: "Value"
            width: 160
        }
        headerDelegate: Rectangle {
            implicitHeight: 22
            color: "#e0e0e0"
            border.color: "#b0b0b0"
            Text {
                anchors.fill: parent
                anchors.leftMargin: 4
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
                font.bold: true
                textFormat: Text.PlainText
                text: styleData.value !== undefined ? styleData.value : ""
            }
        }
        itemDelegate: Rectangle {
            function cellValue(list, role, fallback) {
                if (styleData.row < 0 || styleData.row >= listModel.count) return fallback
                var values = listModel.get(styleData.row)[list]
                if (!values || styleData.column < 0 || styleData.column >= values.count) return fallback
                return values.get(styleData.column)[role]
            }
            color: cellValue("backgroundColors", "color", "transparent")
            Text {
                anchors.fill: parent
                anchors.leftMargin: 4
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
                text: styleData.value !== undefined ? styleData.value : ""
                color: cellValue("foregroundColors", "color", "black")
                textFormat: cellValue("textFormat", "format", "auto") === "rich" ? Text.RichText : Text.PlainText
            }
        }
    }
}
== path22.qml
import QtQuick 2.12
import QtQuick.Controls 2.4
import QtQuick.Layouts 1.11

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Path 1"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    TabBar {
        id: tabbar
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        TabButton {
            text: "Path Summary 1"
        }
        TabButton {
            text: "Arrival"
        }
        TabButton {
            text: "Note"
        }
        TabButton {
            text: "Waveform"
        }
    }
    StackLayout {
        id: stack
        anchors.top: tabbar.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        currentIndex: tabbar.currentIndex
        Loader {
            source: "table23.qml"
        }
        Loader {
            source: "table24.qml"
        }
        Loader {
            source: "text25.qml"
        }
        Loader {
            source: "waveform26.qml"
        }
    }
}
== table23.qml
import QtQuick 2.12
import QtQuick.Controls 1.4 as QC1

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Path Summary 1"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    ListModel {
        id: listModel
        ListElement {
            c0: "alpha"
            c1: "1"
            foregroundColors: [ListElement { color: "black" }, ListElement { color: "black" }]
            backgroundColors: [ListElement { color: "transparent" }, ListElement { color: "transparent" }]
            textFormat: [ListElement { format: "auto" }, ListElement { format: "auto" }]
        }
        ListElement {
            c0: "beta"
            c1: "2"
            foregroundColors: [ListElement { color: "black" }, ListElement { color: "black" }]
            backgroundColors: [ListElement { color: "transparent" }, ListElement { color: "transparent" }]
            textFormat: [ListElement { format: "auto" }, ListElement { format: "auto" }]
        }
    }
    QC1.TableView {
        id: tableView
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        model: listModel
        QC1.TableViewColumn {
            role: "c0"
            title: "Name"
            width: 160
        }
        QC1.TableViewColumn {
            role: "c1"
            title: "Value"
            width: 160
        }
        headerDelegate: Rectangle {
            implicitHeight: 22
            color: "#e0e0e0"
            border.color: "#b0b0b0"
            Text {
                anchors.fill: parent
                anchors.leftMargin: 4
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
                font.bold: true
                textFormat: Text.PlainText
                text: styleData.value !== undefined ? styleData.value : ""
            }
        }
        itemDelegate: Rectangle {
            function cellValue(list, role, fallback) {
                if (styleData.row < 0 || styleData.row >= listModel.count) return fallback
                var values = listModel.get(styleData.row)[list]
                if (!values || styleData.column < 0 || styleData.column >= values.count) return fallback
                return values.get(styleData.column)[role]
            }
            color: cellValue("backgroundColors", "color", "transparent")
            Text {
                anchors.fill: parent
                anchors.leftMargin: 4
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
                text: styleData.value !== undefined ? styleData.value : ""
                color: cellValue("foregroundColors", "color", "black")
                textFormat: cellValue("textFormat", "format", "auto") === "rich" ? Text.RichText : Text.PlainText
            }
        }
    }
}
== table24.qml
import QtQuick 2.12
import QtQuick.Controls 1.4 as QC1

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Arrival"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    ListModel {
        id: listModel
        ListElement {
            c0: "alpha"
            c1: "1"
            foregroundColors: [ListElement { color: "black" }, ListElement { color: "black" }]
            backgroundColors: [ListElement { color: "transparent" }, ListElement { color: "transparent" }]
            textFormat: [ListElement { format: "auto" }, ListElement { format: "auto" }]
        }
        ListElement {
            c0: "beta"
            c1: "2"
            foregroundColors: [ListElement { color: "black" }, ListElement { color: "black" }]
            backgroundColors: [ListElement { color: "transparent" }, ListElement { color: "transparent" }]
            textFormat: [ListElement { format: "auto" }, ListElement { format: "auto" }]
        }
    }
    QC1.TableView {
        id: tableView
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        model: listModel
        QC1.TableViewColumn {
            role: "c0"
            title: "Name"
            width: 160
        }
        QC1.TableViewColumn {
            role: "c1"
            title: "Value"
            width: 160
        }
        headerDelegate: Rectangle {
            implicitHeight: 22
            color: "#e0e0e0"
            border.color: "#b0b0b0"
            Text {
                anchors.fill: parent
                anchors.leftMargin: 4
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
                font.bold: true
                textFormat: Text.PlainText
                text: styleData.value !== undefined ? styleData.value : ""
            }
        }
        itemDelegate: Rectangle {
            function cellValue(list, role, fallback) {
                if (styleData.row < 0 || styleData.row >= listModel.count) return fallback
                var values = listModel.get(styleData.row)[list]
                if (!values || styleData.column < 0 || styleData.column >= values.count) return fallback
                return values.get(styleData.column)[role]
            }
            color: cellValue("backgroundColors", "color", "transparent")
            Text {
                anchors.fill: parent
                anchors.leftMargin: 4
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
                text: styleData.value !== undefined ? styleData.value : ""
                color: cellValue("foregroundColors", "color", "black")
                textFormat: cellValue("textFormat", "format", "auto") === "rich" ? Text.RichText : Text.PlainText
            }
        }
    }
}
== text25.qml
import QtQuick 2.12
import QtQuick.Controls 1.4

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Note"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    TextArea {
        id: body
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        readOnly: true
        frameVisible: false
        textFormat: TextEdit.PlainText
        text: "retime"
    }
}
== waveform26.qml
import QtQuick 2.12
import QtQuick.Controls 1.4 as Ctrl

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Path Waveform"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    Ctrl.ScrollView {
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        horizontalScrollBarPolicy: Qt.ScrollBarAlwaysOn
        Image {
            id: waveformImage
            fillMode: Image.PreserveAspectFit
            height: root.height - header.height
            anchors.topMargin: 4
            source: "../waveform_Path_Waveform_27.gif"
        }
    }
}
== folder27.qml
import QtQuick 2.12

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Master Detail"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    Text {
        id: body
        anchors.top: header.bottom
        padding: 4
        text: "Click on an entry below this folder."
    }
}
== table28.qml
import QtQuick 2.12
import QtQuick.Controls 1.4 as QC1

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Master"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    ListModel {
        id: listModel
        ListElement {
            c0: "alpha"
            c1: "1"
            foregroundColors: [ListElement { color: "black" }, ListElement { color: "black" }]
            backgroundColors: [ListElement { color: "transparent" }, ListElement { color: "transparent" }]
            textFormat: [ListElement { format: "auto" }, ListElement { format: "auto" }]
        }
        ListElement {
            c0: "beta"
            c1: "2"
            foregroundColors: [ListElement { color: "black" }, ListElement { color: "black" }]
            backgroundColors: [ListElement { color: "transparent" }, ListElement { color: "transparent" }]
            textFormat: [ListElement { format: "auto" }, ListElement { format: "auto" }]
        }
    }
    QC1.TableView {
        id: tableView
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        model: listModel
        QC1.TableViewColumn {
            role: "c0"
            title: "Name"
            width: 160
        }
        QC1.TableViewColumn {
            role: "c1"
            title: "Value"
            width: 160
        }
        headerDelegate: Rectangle {
            implicitHeight: 22
            color: "#e0e0e0"
            border.color: "#b0b0b0"
            Text {
                anchors.fill: parent
                anchors.leftMargin: 4
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
                font.bold: true
                textFormat: Text.PlainText
                text: styleData.value !== undefined ? styleData.value : ""
            }
        }
        itemDelegate: Rectangle {
            function cellValue(list, role, fallback) {
                if (styleData.row < 0 || styleData.row >= listModel.count) return fallback
                var values = listModel.get(styleData.row)[list]
                if (!values || styleData.column < 0 || styleData.column >= values.count) return fallback
                return values.get(styleData.column)[role]
            }
            color: cellValue("backgroundColors", "color", "transparent")
            Text {
                anchors.fill: parent
                anchors.leftMargin: 4
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
                text: styleData.value !== undefined ? styleData.value : ""
                color: cellValue("foregroundColors", "color", "black")
                textFormat: cellValue("textFormat", "format", "auto") === "rich" ? Text.RichText : Text.PlainText
            }
        }
    }
}
== text29.qml
import QtQuick 2.12
import QtQuick.Controls 1.4

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Detail"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    TextArea {
        id: body
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        readOnly: true
        frameVisible: false
        textFormat: TextEdit.PlainText
        text: "row details"
    }
}
== folder30.qml
import QtQuick 2.12

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Master Detail Both"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    Text {
        id: body
        anchors.top: header.bottom
        padding: 4
        text: "Click on an entry below this folder."
    }
}
== text31.qml
import QtQuick 2.12
import QtQuick.Controls 1.4

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "First Detail"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    TextArea {
        id: body
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        readOnly: true
        frameVisible: false
        textFormat: TextEdit.PlainText
        text: ""
    }
}
== table32.qml
import QtQuick 2.12
import QtQuick.Controls 1.4 as QC1

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Master And Detail"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    ListModel {
        id: listModel
        ListElement {
            c0: "alpha"
            c1: "1"
            foregroundColors: [ListElement { color: "black" }, ListElement { color: "black" }]
            backgroundColors: [ListElement { color: "transparent" }, ListElement { color: "transparent" }]
            textFormat: [ListElement { format: "auto" }, ListElement { format: "auto" }]
        }
        ListElement {
            c0: "beta"
            c1: "2"
            foregroundColors: [ListElement { color: "black" }, ListElement { color: "black" }]
            backgroundColors: [ListElement { color: "transparent" }, ListElement { color: "transparent" }]
            textFormat: [ListElement { format: "auto" }, ListElement { format: "auto" }]
        }
    }
    QC1.TableView {
        id: tableView
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        model: listModel
        QC1.TableViewColumn {
            role: "c0"
            title: "Name"
            width: 160
        }
        QC1.TableViewColumn {
            role: "c1"
            title: "Value"
            width: 160
        }
        headerDelegate: Rectangle {
            implicitHeight: 22
            color: "#e0e0e0"
            border.color: "#b0b0b0"
            Text {
                anchors.fill: parent
                anchors.leftMargin: 4
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
                font.bold: true
                textFormat: Text.PlainText
                text: styleData.value !== undefined ? styleData.value : ""
            }
        }
        itemDelegate: Rectangle {
            function cellValue(list, role, fallback) {
                if (styleData.row < 0 || styleData.row >= listModel.count) return fallback
                var values = listModel.get(styleData.row)[list]
                if (!values || styleData.column < 0 || styleData.column >= values.count) return fallback
                return values.get(styleData.column)[role]
            }
            color: cellValue("backgroundColors", "color", "transparent")
            Text {
                anchors.fill: parent
                anchors.leftMargin: 4
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
                text: styleData.value !== undefined ? styleData.value : ""
                color: cellValue("foregroundColors", "color", "black")
                textFormat: cellValue("textFormat", "format", "auto") === "rich" ? Text.RichText : Text.PlainText
            }
        }
    }
}
== folder33.qml
import QtQuick 2.12

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Corners"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    Text {
        id: body
        anchors.top: header.bottom
        padding: 4
        text: "Click on an entry below this folder."
    }
}
== text34.qml
import QtQuick 2.12
import QtQuick.Controls 1.4

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Slow Corner"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    TextArea {
        id: body
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        readOnly: true
        frameVisible: false
        textFormat: TextEdit.PlainText
        text: "slow"
    }
}
== folder35.qml
import QtQuick 2.12

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Linked"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    Text {
        id: body
        anchors.top: header.bottom
        padding: 4
        text: "Click on an entry below this folder."
    }
}
== folder36.qml
import QtQuick 2.12

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Linked Report"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    Text {
        id: body
        anchors.top: header.bottom
        padding: 4
        text: "Click on an entry below this folder."
    }
}
== text37.qml
import QtQuick 2.12
import QtQuick.Controls 1.4

Item {
    id: root
    implicitWidth: 900
    implicitHeight: 600
    Text {
        id: header
        width: parent.width
        text: "Linked Text"
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.bold: true
        font.pixelSize: 16
        padding: 4
    }
    TextArea {
        id: body
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        readOnly: true
        frameVisible: false
        textFormat: TextEdit.PlainText
        text: "from the linked report"
    }
}
