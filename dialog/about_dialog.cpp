#include "about_dialog.h"

#include "dialog_template.h"
#include "dialog_view.h"

void AboutDialog::DoModal() {
    m_owner.RunModalDialog(AboutDialogTemplate());
}
