// The component files of the QML report: one Qt Quick item per object kind. Texts reach a component only
// as literals made by rdb_js_string_literal; everything else in these files is our own constant text.

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "msg/msg.h"
#include "rdb_embedded.h"
#include "rdb_escape.h"
#include "rdb_histogram.h"
#include "rdb_html_write.h"
#include "rdb_message_gen.h"
#include "rdb_object_qml_visitor.h"
#include "rdb_qml_write.h"
#include "rdb_table_sys.h"
#include "rdb_table_to_sqlite.h"

namespace {

const char* const QUICK_IMPORT = "import QtQuick 2.12\n";

std::string literal(std::string_view text) { return rdb_js_string_literal(text); }

// The root item and its header; the body follows and the caller closes the root with "}\n".
std::string component_opening(const std::string& imports, const std::string& title)
{
    return QUICK_IMPORT + imports +
           "\nItem {\n"
           "    id: root\n"
           "    implicitWidth: 900\n"
           "    implicitHeight: 600\n"
           "    Text {\n"
           "        id: header\n"
           "        width: parent.width\n"
           "        text: " +
           literal(title) +
           "\n"
           "        textFormat: Text.PlainText\n"
           "        wrapMode: Text.Wrap\n"
           "        font.bold: true\n"
           "        font.pixelSize: 16\n"
           "        padding: 4\n"
           "    }\n";
}

const char* const BODY_ANCHORS = "        anchors.top: header.bottom\n"
                                 "        anchors.left: parent.left\n"
                                 "        anchors.right: parent.right\n"
                                 "        anchors.bottom: parent.bottom\n";

// U+00B0 as UTF-8. Searching the character, not its second byte, keeps letters such as U+0130 and
// U+0430 (whose UTF-8 forms end in 0xB0) out of it.
constexpr std::string_view DEGREE_SIGN = "\xC2\xB0";

// "#RRGGBB", or fallback for the default colour and one that names no RGB value.
std::string color_or(RDB_COLOR_NAME color, const char* fallback)
{
    const std::string text = RDB::HTML::color_text(color);
    return text.empty() ? std::string(fallback) : text;
}

} // namespace

namespace RDB::QML {

std::string notice_component(const std::string& title, const std::string& notice)
{
    return component_opening("", title) + "    Text {\n        id: body\n" + BODY_ANCHORS +
           "        padding: 4\n"
           "        wrapMode: Text.Wrap\n"
           "        textFormat: Text.PlainText\n"
           "        text: " +
           literal(notice) + "\n    }\n}\n";
}

std::string text_component(const std::string& title, const std::string& text, bool rich)
{
    // A plain text is shown as it is: taken as markup, "<b>" in a design name would change the text
    // that the area gives back.
    return component_opening("import QtQuick.Controls 1.4\n", title) + "    TextArea {\n        id: body\n" +
           BODY_ANCHORS +
           "        readOnly: true\n"
           "        frameVisible: false\n"
           "        textFormat: " +
           (rich ? "TextEdit.AutoText" : "TextEdit.PlainText") + "\n        text: " + literal(text) + "\n    }\n}\n";
}

std::string folder_component(const std::string& title, bool path_folder)
{
    std::string out = component_opening("", title) + "    Text {\n"
                                                     "        id: body\n"
                                                     "        anchors.top: header.bottom\n"
                                                     "        padding: 4\n"
                                                     "        text: \"Click on an entry below this folder.\"\n"
                                                     "    }\n";
    if (path_folder)
        out += "    Rectangle {\n"
               "        id: sliderbar\n"
               "        y: body.y + body.height + 100\n"
               "        width: parent.width\n"
               "        height: 6\n"
               "        color: \"lightgrey\"\n"
               "        border.color: \"darkgrey\"\n"
               "        border.width: 2\n"
               "        MouseArea {\n"
               "            anchors.fill: parent\n"
               "            cursorShape: Qt.SizeVerCursor\n"
               "            drag.target: sliderbar\n"
               "            drag.axis: Drag.YAxis\n"
               "            drag.minimumY: body.y + body.height\n"
               "            drag.maximumY: Math.max(body.y + body.height, root.height - sliderbar.height)\n"
               "        }\n"
               "    }\n"
               "    Item {\n"
               "        id: selectedPath\n"
               "        anchors.top: sliderbar.bottom\n"
               "        anchors.left: parent.left\n"
               "        anchors.right: parent.right\n"
               "        anchors.bottom: parent.bottom\n"
               "    }\n";
    return out + "}\n";
}

std::string table_component(const RDB_TABLE_OBJECT& table)
{
    std::vector<unsigned int> shown;
    for (unsigned int c = 0; c < table.get_number_of_columns(); ++c)
        if (!table.is_column_hidden(static_cast<int>(c))) shown.push_back(c);
    std::vector<std::string> titles(shown.size());
    std::string rows;
    std::string text;
    rdb_for_each_table_row(table, [&](unsigned int r, const RDB_TABLE_ROW* row) {
        std::string cells, foregrounds, backgrounds, formats;
        for (std::size_t i = 0; i < shown.size(); ++i) {
            const unsigned int c = shown[i];
            const RDB_TABLE_ELEMENT* element = row != nullptr && c < row->size() ? (*row)[c] : nullptr;
            if (element != nullptr)
                text = element->get_string();
            else
                table.get_data_string(r, c, text);
            if (r == 0) {
                titles[i] = text;
                continue;
            }
            const bool rich = text.find(DEGREE_SIGN) != std::string::npos;
            const std::string shown_text = rich ? "<html>" + rdb_html_escape(text) + "</html>" : text;
            const char* separator = i == 0 ? "" : ", ";
            cells += "            c" + std::to_string(c) + ": " + literal(shown_text) + "\n";
            foregrounds += separator +
                           ("ListElement { color: " +
                            literal(color_or(element ? element->get_foreground() : RDB_COLOR_DEFAULT, "black")) + " }");
            backgrounds +=
                separator +
                ("ListElement { color: " +
                 literal(color_or(element ? element->get_background() : RDB_COLOR_DEFAULT, "transparent")) + " }");
            formats +=
                separator + std::string(rich ? "ListElement { format: \"rich\" }" : "ListElement { format: \"auto\" }");
        }
        if (r == 0) return;
        rows += "        ListElement {\n" + cells + "            foregroundColors: [" + foregrounds +
                "]\n            backgroundColors: [" + backgrounds + "]\n            textFormat: [" + formats +
                "]\n        }\n";
    });
    std::string out = component_opening("import QtQuick.Controls 1.4 as QC1\n", table.get_name()) +
                      "    ListModel {\n        id: listModel\n" + rows + "    }\n";
    out += "    QC1.TableView {\n        id: tableView\n" + std::string(BODY_ANCHORS) + "        model: listModel\n";
    for (std::size_t i = 0; i < shown.size(); ++i)
        out += "        QC1.TableViewColumn {\n            role: \"c" + std::to_string(shown[i]) +
               "\"\n            title: " + literal(titles[i]) + "\n            width: 160\n        }\n";
    // The view's own header and cell delegates would take a title or a cell holding a tag for markup.
    out += "        headerDelegate: Rectangle {\n"
           "            implicitHeight: 22\n"
           "            color: \"#e0e0e0\"\n"
           "            border.color: \"#b0b0b0\"\n"
           "            Text {\n"
           "                anchors.fill: parent\n"
           "                anchors.leftMargin: 4\n"
           "                verticalAlignment: Text.AlignVCenter\n"
           "                elide: Text.ElideRight\n"
           "                font.bold: true\n"
           "                textFormat: Text.PlainText\n"
           "                text: styleData.value !== undefined ? styleData.value : \"\"\n"
           "            }\n"
           "        }\n";
    // A cell's colours and format are found by its row and its place among the shown columns.
    out += "        itemDelegate: Rectangle {\n"
           "            function cellValue(list, role, fallback) {\n"
           "                if (styleData.row < 0 || styleData.row >= listModel.count) return fallback\n"
           "                var values = listModel.get(styleData.row)[list]\n"
           "                if (!values || styleData.column < 0 || styleData.column >= values.count) return fallback\n"
           "                return values.get(styleData.column)[role]\n"
           "            }\n"
           "            color: cellValue(\"backgroundColors\", \"color\", \"transparent\")\n"
           "            Text {\n"
           "                anchors.fill: parent\n"
           "                anchors.leftMargin: 4\n"
           "                verticalAlignment: Text.AlignVCenter\n"
           "                elide: Text.ElideRight\n"
           "                text: styleData.value !== undefined ? styleData.value : \"\"\n"
           "                color: cellValue(\"foregroundColors\", \"color\", \"black\")\n"
           "                textFormat: cellValue(\"textFormat\", \"format\", \"auto\") === \"rich\" ? Text.RichText "
           ": Text.PlainText\n"
           "            }\n"
           "        }\n"
           "    }\n}\n";
    return out;
}

std::string histogram_component(const RDB_HISTOGRAM_TABLE_OBJECT& histogram)
{
    const unsigned int row_count = histogram.get_number_of_rows();
    if (row_count <= 1) return notice_component(histogram.get_name(), "Nothing to report, the histogram is empty.");
    // The bounds are written with as many decimals as the scale has zeros, as in the text form.
    const unsigned int scale = histogram.get_x_scale() == 0 ? 1 : histogram.get_x_scale();
    const int decimals = static_cast<int>(std::to_string(scale).size()) - 1;
    auto bound = [&](int value) { return rdb_format_fixed(static_cast<double>(value) / scale, decimals); };
    std::string categories, values;
    int max_value = 1;
    for (unsigned int r = 1; r < row_count; ++r) {
        const char* separator = r == 1 ? "" : ", ";
        categories +=
            separator + literal("[ " + bound(histogram.get_from(r)) + " , " + bound(histogram.get_to(r)) + " ]");
        values += separator + std::to_string(histogram.get_value(r));
        max_value = std::max(max_value, histogram.get_value(r));
    }
    std::string x_title = histogram.get_x_axis_label().empty() ? "Bin Boundary" : histogram.get_x_axis_label();
    if (!histogram.get_x_unit().empty()) x_title += " (" + histogram.get_x_unit() + ")";
    std::string y_title = histogram.get_y_axis_label().empty() ? "Value" : histogram.get_y_axis_label();
    // The chart draws its titles as HTML: a tag in a label must show as text.
    x_title = rdb_html_escape(x_title);
    y_title = rdb_html_escape(y_title);
    return component_opening("import QtCharts 2.2\n", histogram.get_name()) +
           "    ChartView {\n"
           "        id: histogram\n" +
           BODY_ANCHORS +
           "        legend.visible: false\n"
           "        antialiasing: true\n"
           "        StackedBarSeries {\n"
           "            name: ' Histogram'\n"
           "            barWidth: 1\n"
           "            axisX: BarCategoryAxis {\n"
           "                categories: [" +
           categories +
           "]\n"
           "                labelsAngle: -90\n"
           "                titleText: " +
           literal(x_title) +
           "\n"
           "            }\n"
           "            axisY: ValueAxis {\n"
           "                min: 0\n"
           "                max: " +
           std::to_string(max_value) +
           "\n"
           "                titleText: " +
           literal(y_title) +
           "\n"
           "            }\n"
           "            BarSet {\n"
           "                label: " +
           literal(y_title) + "\n                values: [" + values +
           "]\n"
           "            }\n"
           "        }\n"
           "    }\n}\n";
}

std::string path_component(const std::string& title, const std::vector<TAB>& tabs)
{
    std::string buttons, loaders;
    for (const TAB& tab : tabs) {
        buttons += "        TabButton {\n            text: " + literal(tab.title) + "\n        }\n";
        loaders += "        Loader {\n            source: " + literal(tab.component) + "\n        }\n";
    }
    return component_opening("import QtQuick.Controls 2.4\nimport QtQuick.Layouts 1.11\n", title) +
           "    TabBar {\n"
           "        id: tabbar\n"
           "        anchors.top: header.bottom\n"
           "        anchors.left: parent.left\n"
           "        anchors.right: parent.right\n" +
           buttons +
           "    }\n"
           "    StackLayout {\n"
           "        id: stack\n"
           "        anchors.top: tabbar.bottom\n"
           "        anchors.left: parent.left\n"
           "        anchors.right: parent.right\n"
           "        anchors.bottom: parent.bottom\n"
           "        currentIndex: tabbar.currentIndex\n" +
           loaders + "    }\n}\n";
}

std::string messages_component(const RDB_EMBEDDED_OBJECT& embedded)
{
    std::ostringstream elements;
    RDB_QML_OUPUT_MESSAGES_FUNCTOR functor(elements, false);
    for (const std::string& file : RDB::HTML::message_files(embedded)) {
        const std::string path = RDB_EMBEDDED_OBJECT::get_message_file_path(file);
        msg_local_vdebug("RDB", 2, "Trying to read: %s", path.c_str());
        MSG_REPORT_FILE messages(path);
        if (messages.read_messages(functor)) continue;
        MSG_FILE_MESSAGE unreadable;
        unreadable.type = MSG_FILE_MESSAGE_TYPE::ERROR;
        unreadable.text = RDB_MESSAGE_GEN::unreadable_file_text(path);
        functor(&unreadable);
    }
    auto count = [&](MSG_FILE_MESSAGE_TYPE type) { return std::to_string(functor.get_count(type)); };
    return component_opening("import QtQuick.Controls 1.4 as Ctrl\nimport \"../javascript/report.js\" as Report\n",
                             embedded.get_name()) +
           "    ListModel {\n        id: messagesModel\n" + elements.str() +
           "    }\n"
           "    FilterBar {\n"
           "        id: filterBar\n"
           "        anchors.top: header.bottom\n"
           "        anchors.left: parent.left\n"
           "        anchors.right: parent.right\n"
           "        infoCount: " +
           count(MSG_FILE_MESSAGE_TYPE::INFO) + "\n        warningCount: " + count(MSG_FILE_MESSAGE_TYPE::WARNING) +
           "\n        criticalCount: 0\n        errorCount: " + count(MSG_FILE_MESSAGE_TYPE::ERROR) +
           "\n        debugCount: 0\n"
           "    }\n"
           "    Component {\n"
           "        id: messageDelegateComponent\n"
           "        MessageDelegate {\n"
           "            width: messagesView.width\n"
           "            messageType: model.type\n"
           "            messageText: model.messageText\n"
           "            tabLevel: model.tabLevel\n"
           "            containsSubMessages: model.containsSubMessages\n"
           "            subMessageVisibility: model.subMessageVisibility\n"
           "            shown: model.visibility && filterBar.accepts(model.type)\n"
           "            onToggled: Report.toggleSubMessages(messagesModel, index)\n"
           "        }\n"
           "    }\n"
           "    Ctrl.ScrollView {\n"
           "        anchors.top: filterBar.bottom\n"
           "        anchors.left: parent.left\n"
           "        anchors.right: parent.right\n"
           "        anchors.bottom: parent.bottom\n"
           "        horizontalScrollBarPolicy: Qt.ScrollBarAlwaysOn\n"
           "        verticalScrollBarPolicy: Qt.ScrollBarAlwaysOn\n"
           "        ListView {\n"
           "            id: messagesView\n"
           "            model: messagesModel\n"
           "            delegate: messageDelegateComponent\n"
           "        }\n"
           "    }\n}\n";
}

std::string waveform_component(const std::string& title, const std::string& image)
{
    return component_opening("import QtQuick.Controls 1.4 as Ctrl\n", title) + "    Ctrl.ScrollView {\n" +
           BODY_ANCHORS +
           "        horizontalScrollBarPolicy: Qt.ScrollBarAlwaysOn\n"
           "        Image {\n"
           "            id: waveformImage\n"
           "            fillMode: Image.PreserveAspectFit\n"
           "            height: root.height - header.height\n"
           "            anchors.topMargin: 4\n"
           "            source: " +
           literal(image) + "\n        }\n    }\n}\n";
}

} // namespace RDB::QML
