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

    QListWidget *ConnectionList;
    QListWidget *PresetList;
    QPushButton *OkButton;
    QPushButton *CancelButton;

public Q_SLOTS:
    void OkButtonClick();

private:
    Ui &m_ui;
    QStringList m_taken;
};
