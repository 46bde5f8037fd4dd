#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;
struct AppContext;

// "Save time-zones": the current ISP's tariff as a named preset file.
class TSaveTimeZoneForm : public QDialog
{
    Q_OBJECT

public:
    explicit TSaveTimeZoneForm(AppContext &ctx, QWidget *parent = nullptr);

    QLineEdit *nameEdit() const { return m_nameEdit; }
    QPushButton *saveButton() const { return m_saveButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }

private:
    void onSaveClicked();

    AppContext &m_ctx;
    QLineEdit *m_nameEdit = nullptr;
    QPushButton *m_saveButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};
