#pragma once

#include "tariff/BandRecord.h"

#include <QDialog>
#include <QList>
#include <QWidget>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class TariffPieView;
struct AppContext;

// "Phone Charges": one day type's tariff of the current ISP as a 24-hour
// pie. A click on a wedge selects its band, whose cost, fee and charge type
// are edited in place; the buttons add, remove and copy bands, save and
// load presets, and open the ISP and holiday editors.
class PhoneChargesPage : public QWidget
{
    Q_OBJECT

public:
    explicit PhoneChargesPage(AppContext &ctx, QWidget *parent = nullptr);

    // Rebuilt for the logged-in user: the ISP list, today's day type, the
    // pie and the band in force now (or band 1).
    void refresh();
    // The restriction "Disable timezone editing" and an open session, each
    // taking away what it must.
    void applyRestrictions();
    void applySessionState();

    // Redraws the pie for the viewed day and selects band 1.
    void UpdateTimeZoneList();
    // Shows band k in the edits and highlights it; 0 or -1 does nothing.
    void SelectTimeZone(int band);

    int viewedDay() const { return m_viewedDay; }
    int selectedBand() const { return m_selectedBand; }
    int highlightedBand() const { return m_highlightedBand; }

    TariffPieView *pie() const { return m_pie; }
    QGroupBox *timezonesGroup() const { return m_timezonesGroup; }
    QLineEdit *costEdit() const { return m_costEdit; }
    QLineEdit *connectionEdit() const { return m_connectionEdit; }
    QRadioButton *minimumChargeRadio() const { return m_minimumChargeRadio; }
    QRadioButton *standingChargeRadio() const { return m_standingChargeRadio; }
    QPushButton *addButton() const { return m_addButton; }
    QPushButton *removeButton() const { return m_removeButton; }
    QPushButton *copyButton() const { return m_copyButton; }
    QPushButton *saveButton() const { return m_saveButton; }
    QPushButton *loadButton() const { return m_loadButton; }
    QPushButton *ispsButton() const { return m_ispsButton; }
    QPushButton *holidaysButton() const { return m_holidaysButton; }
    QComboBox *ispCombo() const { return m_ispCombo; }
    QComboBox *dayCombo() const { return m_dayCombo; }
    QMenu *pieMenu() const { return m_pieMenu; }

Q_SIGNALS:
    // A modal editor to run; the owner counts it as an open editor while it
    // runs. Unconnected, the page runs it itself.
    void dialogRequested(QDialog *dialog);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fillIspList();
    void runDialog(QDialog *dialog);
    void updateEditing();
    bool editingRestricted() const;
    void storeShownCharges();

    void onPieClicked(QPoint position);
    void onMoneyEdited(QLineEdit *edit);
    void onCostLeft();
    void onConnectionFeeLeft();
    void onChargeTypeClicked(bool base);
    void onIspChosen(int index);
    void onDayChosen(int index);
    void onAddClicked();
    void onRemoveClicked();
    void onCopyClicked();
    void onSaveClicked();
    void onLoadClicked();
    void onHolidaysClicked();
    void onIspsClicked();

    AppContext &m_ctx;
    int m_viewedDay = 1;
    int m_selectedBand = 0;
    int m_highlightedBand = 0;
    QList<BandRecord> m_bands;

    TariffPieView *m_pie = nullptr;
    QGroupBox *m_timezonesGroup = nullptr;
    QLineEdit *m_costEdit = nullptr;
    QLineEdit *m_connectionEdit = nullptr;
    QRadioButton *m_minimumChargeRadio = nullptr;
    QRadioButton *m_standingChargeRadio = nullptr;
    QPushButton *m_addButton = nullptr;
    QPushButton *m_removeButton = nullptr;
    QPushButton *m_copyButton = nullptr;
    QPushButton *m_saveButton = nullptr;
    QPushButton *m_loadButton = nullptr;
    QPushButton *m_ispsButton = nullptr;
    QPushButton *m_holidaysButton = nullptr;
    QComboBox *m_ispCombo = nullptr;
    QComboBox *m_dayCombo = nullptr;
    QMenu *m_pieMenu = nullptr;
};
