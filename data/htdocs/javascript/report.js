.pragma library

// Shows or hides the sub-messages of the message at index of model: opening shows the messages one level
// deeper up to the next message at the same level or above; closing hides every deeper one.
function toggleSubMessages(model, index) {
    var message = model.get(index);
    if (!message.containsSubMessages)
        return;
    var opening = !message.subMessageVisibility;
    model.setProperty(index, "subMessageVisibility", opening);
    for (var i = index + 1; i < model.count; ++i) {
        var sub = model.get(i);
        if (sub.tabLevel <= message.tabLevel)
            break;
        if (opening) {
            if (sub.tabLevel === message.tabLevel + 1)
                model.setProperty(i, "visibility", true);
        } else {
            model.setProperty(i, "visibility", false);
            model.setProperty(i, "subMessageVisibility", false);
        }
    }
}

// The filter bar's group of a message type.
function typeGroup(type) {
    switch (type) {
    case "warning_message":
        return "warning";
    case "critical_warning_message":
        return "critical";
    case "error_message":
        return "error";
    case "debug_message":
        return "debug";
    default:
        return "info";
    }
}
