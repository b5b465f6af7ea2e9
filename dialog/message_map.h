// Which notification of which control reaches which handler of ConverterDialog. Both toolkit
// adapters route their controls' notifications through this one table; each turns its own
// signals or notification codes into a Notification.
#pragma once

#include "converter_dialog.h"

#include <span>

enum class Notification {
    Clicked,          // a push button was pressed
    TextChanged,      // an edit box's text was set or edited
    SelectionChanged, // the user chose another entry of a list
};

struct NotificationRoute {
    int controlId;
    Notification notification;
    void (ConverterDialog::*handler)();
};

std::span<const NotificationRoute> MessageMap();

// Runs the handler routed for this notification; false when the table routes none.
bool RouteNotification(ConverterDialog &dialog, int controlId, Notification notification);
