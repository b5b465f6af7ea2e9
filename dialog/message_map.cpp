#include "message_map.h"

#include "resource.h"

namespace {

using enum Notification;

constexpr NotificationRoute kRoutes[] = {
    {IDC_BROWSE_INPUT, Clicked, &ConverterDialog::OnBrowseInput},
    {IDC_BROWSE_OUTPUT, Clicked, &ConverterDialog::OnBrowseOutput},
    {IDC_CONVERT, Clicked, &ConverterDialog::OnConvert},
    {IDC_INPUT_FILE, TextChanged, &ConverterDialog::OnChangeInput},
    {IDC_OUTPUT_FILE, TextChanged, &ConverterDialog::OnChangeOutput},
    {IDC_PART, SelectionChanged, &ConverterDialog::OnSelchangePart},
    {IDC_PROTOCOL, SelectionChanged, &ConverterDialog::OnSelchangeProtocol},
};

} // namespace

std::span<const NotificationRoute> MessageMap() {
    return kRoutes;
}

bool RouteNotification(ConverterDialog &dialog, int controlId, Notification notification) {
    for (const NotificationRoute &route : kRoutes) {
        if (route.controlId == controlId && route.notification == notification) {
            (dialog.*route.handler)();
            return true;
        }
    }
    return false;
}
