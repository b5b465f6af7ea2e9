// A DialogView that records what the logic does and lets a test act as the user, and an
// in-memory settings store.
#pragma once

#include "converter_dialog.h"
#include "dialog_template.h"
#include "dialog_view.h"
#include "message_map.h"
#include "resource.h"
#include "settings_store.h"

#include <map>
#include <string>
#include <vector>

class FakeView : public DialogView {
  public:
    ConverterDialog *dialog = nullptr;

    std::map<int, std::string> texts;
    std::map<int, std::vector<std::string>> lists;
    std::map<int, int> selections;
    std::map<int, std::string> paneTexts;
    std::vector<FileDialogRequest> fileRequests;
    std::optional<std::string> fileDialogAnswer;
    std::vector<int> modalDialogs;
    std::vector<std::string> systemMenu;

    // The user's side, notified through the adapters' message map.
    void Type(int id, const std::string &text) {
        texts[id] = text;
        RouteNotification(*dialog, id, Notification::TextChanged);
    }
    void Choose(int listId, int index) {
        selections[listId] = index;
        RouteNotification(*dialog, listId, Notification::SelectionChanged);
    }
    void Click(int buttonId) { RouteNotification(*dialog, buttonId, Notification::Clicked); }

    std::string ControlText(int id) const override {
        return texts.contains(id) ? texts.at(id) : "";
    }
    void SetControlText(int id, const std::string &text) override { Type(id, text); }
    void AddListEntry(int listId, const std::string &entry) override {
        lists[listId].push_back(entry);
    }
    void SelectListEntry(int listId, int index) override {
        selections[listId] = index < std::ssize(lists[listId]) ? index : -1;
    }
    int ListSelection(int listId) const override {
        return selections.contains(listId) ? selections.at(listId) : -1;
    }
    void CreateStatusBar(const std::vector<StatusPane> &) override {}
    void SetStatusPaneText(int pane, const std::string &text) override { paneTexts[pane] = text; }
    std::optional<std::string> RunFileDialog(const FileDialogRequest &request) override {
        fileRequests.push_back(request);
        return fileDialogAnswer;
    }
    void SetWindowIcon(int) override {}
    void AppendSystemMenuItem(unsigned int, const std::string &text) override {
        systemMenu.push_back(text);
    }
    void RunModalDialog(const DialogTemplate &dialogTemplate) override {
        modalDialogs.push_back(dialogTemplate.id);
    }
    std::string ResourceString(int id) const override { return StringResource(id); }
};

// Numbers are kept as text, so that a test compares every value the same way.
class MemorySettings : public SettingsStore {
  public:
    std::map<std::string, std::string> values; // by "section/entry"

    std::string GetString(const std::string &section, const std::string &entry,
                          const std::string &defaultValue) const override {
        const auto found = values.find(section + '/' + entry);
        return found == values.end() ? defaultValue : found->second;
    }
    std::uint32_t GetUInt(const std::string &section, const std::string &entry,
                          std::uint32_t defaultValue) const override {
        return std::stoul(GetString(section, entry, std::to_string(defaultValue)));
    }
    void WriteString(const std::string &section, const std::string &entry,
                     const std::string &value) override {
        values[section + '/' + entry] = value;
    }
    void WriteUInt(const std::string &section, const std::string &entry,
                   std::uint32_t value) override {
        WriteString(section, entry, std::to_string(value));
    }
};
