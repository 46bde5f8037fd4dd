#pragma once

#include "tariff/TariffEditing.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;
struct AppContext;

// "Add dial-up connection" / "Edit dial-up connection": an ISP's description
// and the phone-book entry it is chosen by. The default ISP 1 keeps "Any".
class TAddISPForm : public QDialog
{
    Q_OBJECT

public:
    // editedIsp: the ISP number being edited (Edit), -1 for none.
    TAddISPForm(AppContext &ctx, IspDialogMode mode, int editedIsp, QWidget *parent = nullptr);

    QLineEdit *descriptionEdit() const { return m_descriptionEdit; }
    QComboBox *connectionCombo() const { return m_connectionCombo; }
    QPushButton *okButton() const { return m_okButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }

private:
    void onOkClicked();

    AppContext &m_ctx;
    IspDialogMode m_mode;
    int m_editedIsp;
    QLineEdit *m_descriptionEdit = nullptr;
    QComboBox *m_connectionCombo = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};
