// The About box: the product's name, version, contact details and logo. It holds only the
// texts of its template; OK, Escape and its close box end it.
#pragma once

class DialogView;

class AboutDialog {
  public:
    static constexpr const char *kProductName = "Lumbrix Download Converter";
    static constexpr const char *kSubtitle = "Tarvic551X flash programming via LIN";
    static constexpr const char *kLegalNotice = "\u00a9 2008 Korvane, Inc.";
    static constexpr const char *kSupportPhone = "+1 555 0134 2210";
    static constexpr const char *kSupportEmail = "lin-support@korvane.com";

    // The box runs over the window that `owner` drives.
    explicit AboutDialog(DialogView &owner) : m_owner(owner) {}

    void DoModal();

  private:
    DialogView &m_owner;
};
