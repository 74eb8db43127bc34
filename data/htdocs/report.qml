import QtQuick 2.12

// A QML report: the table of contents on the left, the chosen object's component on the right. The writer
// fills the title, the files folder (relative to this file) and the list of entries.
Rectangle {
    id: report
    width: 1200
    height: 800
    color: "white"

    property string reportTitle: <% block(title) %>
    property string filesDirectory: <% block(dir) %>
    property int currentEntry: -1

    ListModel {
        id: tocModel
<% block(content) %>
    }

    // Opens or closes the folder at index: opening shows its children, closing hides everything below it.
    function toggleFolder(index) {
        var folder = tocModel.get(index);
        var opening = !folder.folderVisible;
        tocModel.setProperty(index, "folderVisible", opening);
        tocModel.setProperty(index, "imgSource", opening ? "img/mirel_opened_folder.png" : "img/mirel_closed_folder.png");
        tocModel.setProperty(index, "carrotSource", opening ? "img/down_carrot.png" : "img/right_carrot.png");
        for (var i = index + 1; i < tocModel.count; ++i) {
            var entry = tocModel.get(i);
            if (entry.tabNum <= folder.tabNum)
                break;
            if (opening) {
                if (entry.tabNum === folder.tabNum + 1)
                    tocModel.setProperty(i, "visibility", true);
            } else {
                tocModel.setProperty(i, "visibility", false);
                if (entry.carrotSource !== "") {
                    tocModel.setProperty(i, "folderVisible", false);
                    tocModel.setProperty(i, "imgSource", "img/mirel_closed_folder.png");
                    tocModel.setProperty(i, "carrotSource", "img/right_carrot.png");
                }
            }
        }
    }

    function select(index) {
        if (currentEntry >= 0 && currentEntry < tocModel.count)
            tocModel.setProperty(currentEntry, "highlightColor", "transparent");
        currentEntry = index;
        tocModel.setProperty(index, "highlightColor", "lightsteelblue");
        if (tocModel.get(index).carrotSource !== "")
            toggleFolder(index);
        panel.source = filesDirectory + tocModel.get(index).componentFile;
    }

    Text {
        id: titleText
        width: parent.width
        padding: 6
        text: report.reportTitle
        textFormat: Text.PlainText
        elide: Text.ElideRight
        font.bold: true
        font.pixelSize: 18
    }

    ListView {
        id: tocView
        anchors.top: titleText.bottom
        anchors.left: parent.left
        anchors.bottom: parent.bottom
        width: 340
        clip: true
        model: tocModel
        delegate: Rectangle {
            width: tocView.width
            height: model.visibility ? 20 : 0
            visible: model.visibility
            color: model.highlightColor
            Row {
                x: model.tabNum * 16 + 2
                anchors.verticalCenter: parent.verticalCenter
                spacing: 2
                Image {
                    width: 16
                    height: 16
                    source: model.carrotSource !== "" ? report.filesDirectory + model.carrotSource : ""
                }
                Image {
                    width: 16
                    height: 16
                    source: report.filesDirectory + model.imgSource
                }
                Text {
                    text: model.name
                    textFormat: Text.PlainText
                }
            }
            MouseArea {
                anchors.fill: parent
                onClicked: report.select(index)
            }
        }
    }

    Rectangle {
        id: divider
        anchors.top: titleText.bottom
        anchors.bottom: parent.bottom
        anchors.left: tocView.right
        width: 1
        color: "#b0b0b0"
    }

    Loader {
        id: panel
        anchors.top: titleText.bottom
        anchors.left: divider.right
        anchors.right: parent.right
        anchors.bottom: parent.bottom
    }

    Component.onCompleted: {
        if (tocModel.count > 0)
            select(0);
    }
}
