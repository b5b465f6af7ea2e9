// The About box: the product's name, version, contact details and logo. It holds only the
// texts of its template; OK, Escape and its close box end it.
#pragma once

#include "dialog_template.h"
#include "dialog_view.h"

class AboutDialog {
  public:
    // The box runs over the window that `owner` drives.
    explicit AboutDialog(DialogView &owner) : m_owner(owner) {}

    void DoModal() { m_owner.RunModalDialog(AboutDialogTemplate()); }

  private:
    DialogView &m_owner;
};
