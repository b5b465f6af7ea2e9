// What the dialog logic needs from the window it drives. Each toolkit adapter implements it
// over real controls; the logic never sees a toolkit type.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct DialogTemplate;

struct StatusPane {
    int indicatorId;
    int widthPixels;
};

enum class FileDialogKind { Open, Save };

struct FileDialogRequest {
    FileDialogKind kind;
    std::string defaultExtension; // with its dot, e.g. ".hex"
    std::string initialFileName;  // base name only
    std::string initialFolder;    // empty: the platform's choice
    bool confirmOverwrite;
    // Pairs of description and pattern, each "|"-separated, the list ended by "||" or "|".
    std::string filter;
};

// The operations are named apart from the Win32 functions they stand for, because windows.h
// turns many of those names into macros.
class DialogView {
  public:
    virtual ~DialogView() = default;

    // Whole text of the edit box `id`. Setting it raises the box's change notification, even
    // when the text stays the same.
    virtual std::string ControlText(int id) const = 0;
    virtual void SetControlText(int id, const std::string &text) = 0;

    // Drop-down lists. Selecting by program raises no selection-change notification; an index
    // outside the list leaves it without a selection, which ListSelection reports as -1.
    virtual void AddListEntry(int listId, const std::string &entry) = 0;
    virtual void SelectListEntry(int listId, int index) = 0;
    virtual int ListSelection(int listId) const = 0;

    virtual void CreateStatusBar(const std::vector<StatusPane> &panes) = 0;
    // The panes to its right move with its edge; what passes the window's edge is cut off.
    virtual void SetStatusPaneWidth(int pane, int widthPixels) = 0;
    virtual void SetStatusPaneText(int pane, const std::string &text) = 0;
    // What shows while the pointer rests on the pane, its lines ended by "\n"; empty for nothing.
    virtual void SetStatusPaneTip(int pane, const std::string &tip) = 0;

    // Runs a file dialog owned by no window; the full path chosen, or nothing on cancel.
    virtual std::optional<std::string> RunFileDialog(const FileDialogRequest &request) = 0;

    // The icon in every size the window shows, the large one first.
    virtual void SetWindowIcon(int iconId) = 0;

    // Appends a separator and then the item to the window's system menu (or what stands in for
    // it); a chosen item comes back as a system command.
    virtual void AppendSystemMenuItem(unsigned int commandId, const std::string &text) = 0;

    // Runs a dialog built from the template modally over this window.
    virtual void RunModalDialog(const DialogTemplate &dialog) = 0;

    // The string resource `id`; empty when the program has none.
    virtual std::string ResourceString(int id) const = 0;
};
