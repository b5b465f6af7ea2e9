#include "converter_dialog.h"

#include "about_dialog.h"
#include "dialog_view.h"
#include "resource.h"
#include "settings_store.h"
#include "split_path.h"

#include <lumbrix/download.h>
#include <lumbrix/layout.h>
#include <lumbrix/parts.h>

#include <algorithm>
#include <array>
#include <string>

namespace {

constexpr std::size_t kPartCount = std::ranges::count_if(lumbrix::PARTS, lumbrix::part_in_dialog);

// The list offers the catalogue's parts that the dialog may select, in catalogue order.
const std::array<const lumbrix::Part *, kPartCount> kParts = [] {
    std::array<const lumbrix::Part *, kPartCount> parts{};
    std::size_t index = 0;
    for (const lumbrix::Part &part : lumbrix::PARTS) {
        if (lumbrix::part_in_dialog(part)) {
            parts[index++] = &part;
        }
    }
    return parts;
}();

// The list shows each layout's name, the status bar its protocol number.
constexpr std::array<const lumbrix::Layout *, 2> kProtocols{&lumbrix::TYPE4, &lumbrix::TYPE6};

constexpr const char *kStatusCleared = " ";
constexpr const char *kStatusSucceeded = "  Conversion Succeeded";
constexpr const char *kStatusFailed = "  Conversion Failed";

constexpr std::array<StatusPane, 4> kStatusPanes{{{ID_INDICATOR_PART, 60},
                                                  {ID_INDICATOR_PROTOCOL, 105},
                                                  {ID_INDICATOR_STATUS, 195},
                                                  {ID_INDICATOR_SPARE, 90}}};
// A status that counts rejected lines is too long for pane 2: it takes pane 3's room as well,
// which nothing uses, and pane 3 moves on past the window's edge.
constexpr int kStatusWideWidth = kStatusPanes[2].widthPixels + kStatusPanes[3].widthPixels;

// Lines the status bar's tip names; the rest are counted only.
constexpr std::size_t kRejectedShown = 8;

constexpr const char *kSection = "Settings";
constexpr unsigned int kSystemCommandMask = 0xFFF0;

// A list selection of -1 (none) is kept as 65535, which no list reaches.
std::uint16_t LowWord(long long value) {
    return static_cast<std::uint16_t>(value);
}

// The lines the reader rejected in one conversion: how many, and the first few, in room fixed
// beforehand, however many there are.
struct RejectedLines {
    std::size_t count = 0;
    std::array<lumbrix::RejectedLine, kRejectedShown> shown{};
};

void RejectedLineAdd(void *context, lumbrix::LineFault fault, std::size_t line) {
    RejectedLines &rejected = *static_cast<RejectedLines *>(context);
    if (rejected.count < kRejectedShown) {
        rejected.shown[rejected.count] = {line, fault};
    }
    ++rejected.count;
}

// The success text, then how many lines the reader rejected: what they held is not in the
// download file.
std::string SucceededText(const RejectedLines &rejected) {
    if (rejected.count == 0) {
        return kStatusSucceeded;
    }
    return std::string(kStatusSucceeded) + ": " + std::to_string(rejected.count) + " HEX line" +
           (rejected.count == 1 ? "" : "s") + " rejected";
}

// Which lines, by number and the reader's reason, one to a line.
std::string RejectedDetail(const RejectedLines &rejected) {
    const std::size_t shown = std::min(rejected.count, kRejectedShown);
    std::string detail;
    for (std::size_t i = 0; i < shown; ++i) {
        detail += (i == 0 ? "line " : "\nline ") + std::to_string(rejected.shown[i].line) + ": " +
                  lumbrix::line_fault_name(rejected.shown[i].fault);
    }
    if (rejected.count > shown) {
        detail += "\nand " + std::to_string(rejected.count - shown) + " more";
    }
    return detail;
}

} // namespace

ConverterDialog::ConverterDialog(DialogView &view, SettingsStore &settings)
    : m_statusText(kStatusCleared), m_partIndex(0), m_protocolIndex(0), m_view(view),
      m_settings(settings) {}

bool ConverterDialog::OnInitDialog() {
    // Without its text the About entry is left out, separator and all.
    if (const std::string about = m_view.ResourceString(IDS_ABOUTBOX); !about.empty()) {
        m_view.AppendSystemMenuItem(IDM_ABOUTBOX, about);
    }
    m_view.SetWindowIcon(IDR_MAINFRAME);
    m_view.CreateStatusBar({kStatusPanes.begin(), kStatusPanes.end()});

    m_view.SetControlText(IDC_INPUT_FILE, m_settings.GetString(kSection, "Input", ""));
    m_view.SetControlText(IDC_OUTPUT_FILE, m_settings.GetString(kSection, "Output", ""));

    for (const lumbrix::Part *part : kParts) {
        m_view.AddListEntry(IDC_PART, part->name);
    }
    m_partIndex = LowWord(m_settings.GetUInt(kSection, "Part", 0));
    m_view.SelectListEntry(IDC_PART, m_partIndex);

    for (const lumbrix::Layout *layout : kProtocols) {
        m_view.AddListEntry(IDC_PROTOCOL, layout->name);
    }
    m_protocolIndex = LowWord(m_settings.GetUInt(kSection, "Protocol", 0));
    m_view.SelectListEntry(IDC_PROTOCOL, m_protocolIndex);

    ShowStatus(kStatusCleared);
    return true;
}

bool ConverterDialog::OnSysCommand(unsigned int commandId) {
    if ((commandId & kSystemCommandMask) != IDM_ABOUTBOX) {
        return true;
    }
    AboutDialog(m_view).DoModal();
    return false;
}

bool ConverterDialog::OnClose() {
    const std::string input = m_view.ControlText(IDC_INPUT_FILE);
    const std::string output = m_view.ControlText(IDC_OUTPUT_FILE);
    m_partIndex = LowWord(m_view.ListSelection(IDC_PART));
    m_protocolIndex = LowWord(m_view.ListSelection(IDC_PROTOCOL));

    m_settings.WriteString(kSection, "Input", input);
    m_settings.WriteString(kSection, "Output", output);
    m_settings.WriteUInt(kSection, "Part", m_partIndex);
    m_settings.WriteUInt(kSection, "Protocol", m_protocolIndex);
    return true;
}

void ConverterDialog::OnBrowseInput() {
    const PathPieces input = SplitPath(m_view.ControlText(IDC_INPUT_FILE));
    const auto chosen = m_view.RunFileDialog({
        .kind = FileDialogKind::Open,
        .defaultExtension = ".hex",
        .initialFileName = input.baseName,
        .initialFolder = input.folder,
        .confirmOverwrite = false,
        .filter = "HEX Files (*.hex)|*.hex|All Files (*.*)|*.*||",
    });
    if (chosen) {
        m_view.SetControlText(IDC_INPUT_FILE, *chosen);
    }
}

// Suggests the input's name with the download extension, in the folder of the output typed
// before; without an input name the output keeps its own.
void ConverterDialog::OnBrowseOutput() {
    const std::string inputName = SplitPath(m_view.ControlText(IDC_INPUT_FILE)).baseName;
    const PathPieces output = SplitPath(m_view.ControlText(IDC_OUTPUT_FILE));
    const auto chosen = m_view.RunFileDialog({
        .kind = FileDialogKind::Save,
        .defaultExtension = ".qvr",
        .initialFileName = inputName.empty() ? output.baseName : inputName,
        .initialFolder = output.folder,
        .confirmOverwrite = true,
        .filter = "qvr Files (*.qvr)|*.qvr|",
    });
    if (chosen) {
        m_view.SetControlText(IDC_OUTPUT_FILE, *chosen);
    }
}

// The lists are not read again: the indices are kept up to date by the change handlers. With
// no part or no protocol no file is touched, and that counts as a failure. A failure says no
// more, whatever the reader rejected on the way.
void ConverterDialog::OnConvert() {
    const std::string input = m_view.ControlText(IDC_INPUT_FILE);
    const std::string output = m_view.ControlText(IDC_OUTPUT_FILE);
    RejectedLines rejected;
    lumbrix::ReadWatch watch{}; // members it does not fill stay null and are not called
    watch.context = &rejected;
    watch.rejected = RejectedLineAdd;
    int result = 1;
    if (m_partIndex < kParts.size() && m_protocolIndex < kProtocols.size()) {
        result =
            lumbrix::convert_file_watched(input.c_str(), output.c_str(), kParts[m_partIndex]->code,
                                          *kProtocols[m_protocolIndex], &watch);
    }
    if (result == 0) {
        ShowStatus(SucceededText(rejected), RejectedDetail(rejected));
    } else {
        ShowStatus(kStatusFailed);
    }
}

void ConverterDialog::OnChangeInput() {
    ShowStatus(kStatusCleared);
}

void ConverterDialog::OnChangeOutput() {
    ShowStatus(kStatusCleared);
}

void ConverterDialog::OnSelchangePart() {
    m_partIndex = LowWord(m_view.ListSelection(IDC_PART));
    ShowStatus(kStatusCleared);
}

void ConverterDialog::OnSelchangeProtocol() {
    m_protocolIndex = LowWord(m_view.ListSelection(IDC_PROTOCOL));
    ShowStatus(kStatusCleared);
}

void ConverterDialog::ShowStatus(const std::string &text, const std::string &detail) {
    m_statusText = text;
    m_statusDetail = detail;
    UpdateStatusBar();
}

void ConverterDialog::UpdateStatusBar() {
    m_view.SetStatusPaneText(
        0, m_partIndex < kParts.size() ? std::string("  ") + kParts[m_partIndex]->name : "  None");
    m_view.SetStatusPaneText(1, m_protocolIndex < kProtocols.size()
                                    ? "  Protocol " +
                                          std::to_string(kProtocols[m_protocolIndex]->protocol)
                                    : "  Protocol unspecified");
    m_view.SetStatusPaneWidth(2, m_statusDetail.empty() ? kStatusPanes[2].widthPixels
                                                        : kStatusWideWidth);
    m_view.SetStatusPaneText(2, m_statusText);
    m_view.SetStatusPaneTip(2, m_statusDetail);
}
