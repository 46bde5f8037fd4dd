#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;
struct AppContext;

// "Presets": the tariff preset files of the program directory, to load
// into the current ISP or to delete.
class TTimeZonePresetsForm : public QDialog
{
    Q_OBJECT

public:
    explicit TTimeZonePresetsForm(AppContext &ctx, QWidget *parent = nullptr);

    QListWidget *presetList() const { return m_presetList; }
    QPushButton *loadButton() const { return m_loadButton; }
    QPushButton *removeButton() const { return m_removeButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }

private:
    void fillList();
    void updateButtons();
    QString selectedName() const;
    void onLoadClicked();
    void onRemoveClicked();

    AppContext &m_ctx;
    QListWidget *m_presetList = nullptr;
    QPushButton *m_loadButton = nullptr;
    QPushButton *m_removeButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};
