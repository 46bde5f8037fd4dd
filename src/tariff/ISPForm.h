#pragma once

#include <QDialog>

class IspListModel;
class QPushButton;
class QTableView;
struct AppContext;

// "Add / Remove ISP Timezones": the dial-up connections that have a tariff
// of their own. Its buttons write at once; OK and Cancel only close it.
class TISPForm : public QDialog
{
    Q_OBJECT

public:
    explicit TISPForm(AppContext &ctx, QWidget *parent = nullptr);

    QTableView *ispList() const { return m_ispList; }
    IspListModel *ispModel() const { return m_model; }
    QPushButton *addButton() const { return m_addButton; }
    QPushButton *editButton() const { return m_editButton; }
    QPushButton *removeButton() const { return m_removeButton; }
    QPushButton *okButton() const { return m_okButton; }

private:
    int selectedRow() const;
    void onAddClicked();
    void onEditClicked();
    void onRemoveClicked();

    AppContext &m_ctx;
    IspListModel *m_model = nullptr;
    QTableView *m_ispList = nullptr;
    QPushButton *m_addButton = nullptr;
    QPushButton *m_editButton = nullptr;
    QPushButton *m_removeButton = nullptr;
    QPushButton *m_okButton = nullptr;
};
