// Opens report panels in the content frame and folds folders in the table of contents.
// Entry "toc_N" shows panel file N.html of the files directory named by the body's data-panel-dir.
// Everything read from the page is used as text or as an attribute value, never parsed as markup.
(function () {
    "use strict";

    var SELECTED = "toc_selected";
    var CLOSED = "rdb_closed_folder";
    var OPENED = "rdb_open_folder";
    var selected_entry = null;

    function panel_url(entry) {
        var match = /^toc_([0-9]+)$/.exec(entry.id);
        if (!match) return null;
        return (document.body.getAttribute("data-panel-dir") || "") + match[1] + ".html";
    }

    // A folder keeps its children in the element right after its entry; a path folder has none hidden.
    function fold_or_unfold(entry) {
        var item = entry.parentNode;
        var children = entry.nextElementSibling;
        if (!children || children.tagName !== "DIV") return;
        if (item.classList.contains(CLOSED)) {
            children.style.display = "block";
            item.classList.replace(CLOSED, OPENED);
        } else if (item.classList.contains(OPENED)) {
            children.style.display = "none";
            item.classList.replace(OPENED, CLOSED);
        }
    }

    function open_panel(entry) {
        var url = panel_url(entry);
        if (url === null) return;
        document.getElementById("content").src = url;
        if (selected_entry) selected_entry.classList.remove(SELECTED);
        entry.classList.add(SELECTED);
        selected_entry = entry;
    }

    function entry_of(event) {
        var target = event.target;
        return target && target.closest ? target.closest("span.toc_entry") : null;
    }

    function on_click(event) {
        var entry = entry_of(event);
        if (!entry) return;
        open_panel(entry);
        fold_or_unfold(entry);
    }

    function on_key(event) {
        if (event.key !== "Enter" && event.key !== " ") return;
        var entry = entry_of(event);
        if (!entry) return;
        event.preventDefault();
        on_click(event);
    }

    var toc = document.getElementById("rdb_toc");
    var entries = toc.querySelectorAll("span.toc_entry");
    for (var i = 0; i < entries.length; ++i) entries[i].tabIndex = 0;
    toc.addEventListener("click", on_click);
    toc.addEventListener("keydown", on_key);
    if (entries.length > 0) open_panel(entries[0]);
})();
