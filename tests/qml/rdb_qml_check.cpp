// Loads a written QML report in a real QML engine and checks that it is sound: the report page and every
// component file load and instantiate without an error or a warning, no script asks the engine to quit,
// the table of contents names files that exist, the waveform images load, and the given texts read back
// unchanged from the created objects.
//
// usage: rdb_qml_check REPORT_FILE [--expect-texts JSON_FILE]
// Exit status: 0 sound, 1 not (each fault on stderr), 2 bad command line, 77 Qt's QML modules are missing.

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <vector>

#include <QAbstractItemModel>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMetaProperty>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QStringList>

// Qt keeps its font, plugin and type caches until the process ends; they are not leaks of the report.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

namespace {

constexpr int EXIT_SOUND = 0, EXIT_FAULTY = 1, EXIT_USAGE = 2, EXIT_SKIP = 77;

// The modules the report's components import; without one of them the check cannot be made.
const char* const REQUIRED_MODULES[] = {
    "QtQuick 2.0",          "QtQuick.Window 2.2", "QtQuick.Controls 1.4", "QtQuick.Controls 2.4",
    "QtQuick.Layouts 1.11", "QtQml.Models 2.2",   "QtCharts 2.2",
};

QStringList g_messages; // every warning, critical or fatal message Qt or a script reported

void record_message(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type == QtDebugMsg || type == QtInfoMsg) return;
    g_messages << text; // a QML message names its file and line itself
    if (type == QtFatalMsg) std::abort();
}

class REPORT_CHECK {
public:
    explicit REPORT_CHECK(const QString& report_file) : m_report(QFileInfo(report_file).absoluteFilePath())
    {
        QObject::connect(&m_engine, &QQmlEngine::quit, [this] { fault("a script called Qt.quit()"); });
        QObject::connect(&m_engine, &QQmlEngine::exit, [this](int) { fault("a script called Qt.exit()"); });
    }

    // The first module of REQUIRED_MODULES this Qt lacks; empty when it has them all.
    QString missing_module()
    {
        for (const char* module : REQUIRED_MODULES) {
            QQmlComponent probe(&m_engine);
            probe.setData(QByteArray("import QtQml 2.0\nimport ") + module + "\nQtObject {}\n", QUrl());
            if (!probe.isReady()) return module;
        }
        return {};
    }

    void load_report_and_components()
    {
        load(m_report);
        QStringList components;
        QDirIterator it(m_report + "_files/components", {"*.qml"}, QDir::Files);
        while (it.hasNext())
            components << it.next();
        components.sort();
        for (const QString& component : components)
            load(component);
        settle();
    }

    void check_table_of_contents()
    {
        if (m_report_objects.empty()) return; // the report page did not load: already a fault
        int entries = 0;
        for (QAbstractItemModel* model : models(m_report_objects)) {
            const int role = model->roleNames().key("componentFile", -1);
            if (role < 0) continue;
            for (int row = 0; row < model->rowCount(); ++row, ++entries) {
                const QString file = model->data(model->index(row, 0), role).toString();
                const QString path = m_report + "_files/" + file;
                if (file.isEmpty() || QDir::isAbsolutePath(file) || file.split('/').contains(".."))
                    fault("table-of-contents entry " + QString::number(row) + " names the file \"" + file + "\"");
                else if (!QFileInfo(path).isFile())
                    fault("table-of-contents entry " + QString::number(row) + ": no component file " + path);
            }
        }
        if (entries == 0) fault("the report has no table-of-contents entry with a componentFile");
    }

    void check_waveform_images()
    {
        for (QObject* object : all_objects()) {
            if (!object->inherits("QQuickImage")) continue;
            const QUrl source = object->property("source").toUrl();
            if (!source.path().endsWith(".gif")) continue;
            if (object->property("status").toInt() != 1 /* Image.Ready */)
                fault("the waveform image " + source.toString() + " did not load");
        }
    }

    void check_texts(const QString& json_file)
    {
        QFile file(json_file);
        QJsonParseError error{};
        const QJsonDocument document =
            QJsonDocument::fromJson(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(), &error);
        if (!document.isArray()) return fault("cannot read the text list " + json_file + ": " + error.errorString());
        const std::set<QString> found = all_strings();
        for (const QJsonValue& text : document.array()) {
            if (found.count(text.toString()) == 0)
                fault("no object or list element holds the text \"" + text.toString() + "\"");
        }
    }

    // Prints the faults and every message Qt reported; true when there were none.
    bool report_faults()
    {
        for (const QString& message : g_messages)
            m_faults << "Qt reported: " + message;
        for (const QString& fault_text : m_faults)
            std::fprintf(stderr, "%s\n", fault_text.toUtf8().constData());
        return m_faults.isEmpty();
    }

private:
    void fault(const QString& text) { m_faults << text; }

    // Loads one QML file, makes its object and shows it in a window of its own, as a viewer would.
    void load(const QString& path)
    {
        QQmlComponent component(&m_engine, QUrl::fromLocalFile(path));
        for (const QQmlError& error : component.errors())
            fault(error.toString());
        if (!component.isReady()) return fault(path + ": not ready");
        std::unique_ptr<QObject> object(component.create());
        if (!object) {
            for (const QQmlError& error : component.errors())
                fault(error.toString());
            return fault(path + ": create() failed");
        }
        if (auto* item = qobject_cast<QQuickItem*>(object.get())) {
            QQuickWindow* window = new_window();
            if (window == nullptr) return fault("cannot make a window for " + path);
            item->setParentItem(window->contentItem());
            if (item->width() <= 0) item->setWidth(window->width());
            if (item->height() <= 0) item->setHeight(window->height());
        } else if (auto* window = qobject_cast<QQuickWindow*>(object.get())) {
            window->show();
        }
        if (path == m_report) m_report_objects = {object.get()};
        m_objects.push_back(std::move(object));
    }

    // A shown window made by the engine, as the page of a viewer would make it.
    QQuickWindow* new_window()
    {
        QQmlComponent component(&m_engine);
        component.setData("import QtQuick.Window 2.2\nWindow { width: 1200; height: 900; visible: true }\n", QUrl());
        auto* window = qobject_cast<QQuickWindow*>(component.create());
        if (window != nullptr) m_windows.emplace_back(window);
        return window;
    }

    // Lets the windows lay out, the views make their delegates and the images load.
    void settle()
    {
        QDeadlineTimer deadline(10000);
        do {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        } while (images_loading() && !deadline.hasExpired());
        QCoreApplication::processEvents(QEventLoop::AllEvents, 200);
    }

    bool images_loading()
    {
        for (QObject* object : all_objects()) {
            if (object->inherits("QQuickImage") && object->property("status").toInt() == 2 /* Image.Loading */)
                return true;
        }
        return false;
    }

    // Every object below the created ones: their QObject children and their visual items (views,
    // delegates and loaded items), each once.
    std::vector<QObject*> all_objects(std::vector<QObject*> roots = {}) const
    {
        if (roots.empty()) {
            for (const auto& object : m_objects)
                roots.push_back(object.get());
        }
        std::vector<QObject*> found;
        std::set<QObject*> seen;
        while (!roots.empty()) {
            QObject* object = roots.back();
            roots.pop_back();
            if (object == nullptr || !seen.insert(object).second) continue;
            found.push_back(object);
            for (QObject* child : object->children())
                roots.push_back(child);
            if (auto* item = qobject_cast<QQuickItem*>(object)) {
                for (QQuickItem* child : item->childItems())
                    roots.push_back(child);
            }
            if (auto* window = qobject_cast<QQuickWindow*>(object)) roots.push_back(window->contentItem());
        }
        return found;
    }

    std::vector<QAbstractItemModel*> models(const std::vector<QObject*>& roots) const
    {
        std::vector<QAbstractItemModel*> found;
        for (QObject* object : all_objects(roots)) {
            if (auto* model = qobject_cast<QAbstractItemModel*>(object)) found.push_back(model);
        }
        return found;
    }

    // Every string property value of the objects and every string role value of their list models,
    // with the models held in list-valued roles.
    std::set<QString> all_strings() const
    {
        std::set<QString> strings;
        std::vector<QAbstractItemModel*> pending = models({});
        for (QObject* object : all_objects()) {
            const QMetaObject* meta = object->metaObject();
            for (int i = 0; i < meta->propertyCount(); ++i) {
                // Only string and var properties: reading some others (a label's font info) warns.
                const int type = meta->property(i).userType();
                if (type != QMetaType::QString && type != QMetaType::QVariant) continue;
                const QVariant value = meta->property(i).read(object);
                if (value.userType() == QMetaType::QString) strings.insert(value.toString());
            }
        }
        std::set<QAbstractItemModel*> seen;
        while (!pending.empty()) {
            QAbstractItemModel* model = pending.back();
            pending.pop_back();
            if (!seen.insert(model).second) continue;
            for (int row = 0; row < model->rowCount(); ++row) {
                for (int role : model->roleNames().keys()) {
                    const QVariant value = model->data(model->index(row, 0), role);
                    if (value.userType() == QMetaType::QString) strings.insert(value.toString());
                    if (auto* nested = qobject_cast<QAbstractItemModel*>(value.value<QObject*>()))
                        pending.push_back(nested);
                }
            }
        }
        return strings;
    }

    QString m_report;
    QQmlEngine m_engine; // declared first: destroyed after the objects and windows that use it
    std::vector<std::unique_ptr<QQuickWindow>> m_windows;
    std::vector<std::unique_ptr<QObject>> m_objects; // the created object of every loaded file
    std::vector<QObject*> m_report_objects; // the report page's object
    QStringList m_faults;
};

} // namespace

int main(int argc, char** argv)
{
    // No display, no GPU and no disk cache: the check runs the same on a build machine as on a desktop.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QML_DISABLE_DISK_CACHE", "1");
    QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
    QApplication application(argc, argv);

    const QStringList args = QCoreApplication::arguments().mid(1);
    const bool with_texts = args.size() == 3 && args[1] == "--expect-texts";
    if (args.size() != 1 && !with_texts) {
        std::fprintf(stderr, "usage: rdb_qml_check REPORT_FILE [--expect-texts JSON_FILE]\n");
        return EXIT_USAGE;
    }
    qInstallMessageHandler(record_message);

    REPORT_CHECK check(args[0]);
    const QString missing = check.missing_module();
    if (!missing.isEmpty()) {
        std::fprintf(stderr, "the QML module %s is not installed: the QML report is not checked\n",
                     missing.toUtf8().constData());
        return EXIT_SKIP;
    }
    check.load_report_and_components();
    check.check_table_of_contents();
    check.check_waveform_images();
    if (with_texts) check.check_texts(args[2]);
    if (!check.report_faults()) return EXIT_FAULTY;
    std::printf("the QML report %s is sound\n", args[0].toUtf8().constData());
    return EXIT_SOUND;
}
