#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QListWidget;
class QPushButton;
class Ui;

// "Add ISP to Tallyline Detection": one dial-up connection and the tariff
// preset to use with it.
class TWizardISPForm : public QDialog
{
    Q_OBJECT

public:
    // connections: the phone-book entries; presets: the preset names;
    // taken: connections already in the wizard's list.
    TWizardISPForm(Ui &ui, const QStringList &connections, const QStringList &presets, const QStringList &taken,
                   QWidget *parent = nullptr);

    QString connection() const;
    QString preset() const;

    QListWidget *connectionList() const { return m_connectionList; }
    QListWidget *presetList() const { return m_presetList; }
    QPushButton *okButton() const { return m_okButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }

private:
    void onOkClicked();

    Ui &m_ui;
    QStringList m_taken;
    QListWidget *m_connectionList = nullptr;
    QListWidget *m_presetList = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};
