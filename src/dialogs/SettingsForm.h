#pragma once

#include "core/Settings.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;
struct AppContext;

// "Tallyline Settings": the machine-wide settings, one page per category of
// the tree on the left. Nothing changes until "&OK", which puts every
// control into the settings, applies them to the running program and
// stores them. In report mode ("Tallyline Report Settings", the report
// window's "&Graph Setup") only the report pages are there.
class TSettingsForm : public QDialog
{
    Q_OBJECT

public:
    enum class Mode { All, Report };
    // The pages in stack order.
    enum Page { GeneralSheet, SessionListSheet, PerformanceListSheet, GeneralOnlineSheet, OnlineModemSheet,
                OnlineClockSheet, OnlineConnectionSheet, OnlineSoundsSheet, AdvancedOnlineSheet, DialUpSheet,
                ReportGeneralSheet, ReportColourSheet, SecuritySheet, PageCount };
    // The graph colour panels.
    enum GraphColour { StartColour, FinishColour, SeriesColour };

    explicit TSettingsForm(AppContext &ctx, Mode mode = Mode::All, QWidget *parent = nullptr);

    // The page in front and the help topic "&Help" opens for it (empty for
    // the two list pages).
    Page currentPage() const;
    static QString helpTopic(Page page);

    QTreeWidget *settingsTree() const { return m_tree; }
    QStackedWidget *pages() const { return m_pages; }
    // The check lists of the pages that have one (null for the others).
    QListWidget *checkList(Page page) const;
    QCheckBox *overrideCurrencyCheck() const { return m_overrideCurrencyCheck; }
    QLineEdit *currencyEdit() const { return m_currencyEdit; }
    QRadioButton *modemDetectionRadio(int radio) const { return m_modemRadios[radio]; }
    QLineEdit *correctionSecondsEdit() const { return m_correctionSecondsEdit; }
    QComboBox *timeServerCombo() const { return m_timeServerCombo; }
    QRadioButton *clockOnConnectRadio() const { return m_clockOnConnectRadio; }
    QRadioButton *clockNeverRadio() const { return m_clockNeverRadio; }
    QCheckBox *floatingWindowCheck() const { return m_floatingWindowCheck; }
    QSpinBox *monitorFontSizeSpin() const { return m_monitorFontSizeSpin; }
    QCheckBox *monitorFontBoldCheck() const { return m_monitorFontBoldCheck; }
    QCheckBox *connectSoundCheck() const { return m_connectSoundCheck; }
    QCheckBox *disconnectSoundCheck() const { return m_disconnectSoundCheck; }
    QCheckBox *desktopNotificationsCheck() const { return m_desktopNotificationsCheck; }
    QLineEdit *connectSoundEdit() const { return m_connectSoundEdit; }
    QLineEdit *disconnectSoundEdit() const { return m_disconnectSoundEdit; }
    QPushButton *connectSoundBrowseButton() const { return m_connectSoundBrowse; }
    QPushButton *disconnectSoundBrowseButton() const { return m_disconnectSoundBrowse; }
    QCheckBox *hangUpCheck() const { return m_hangUpCheck; }
    QLineEdit *hangUpBytesEdit() const { return m_hangUpBytesEdit; }
    QSpinBox *hangUpMinutesSpin() const { return m_hangUpMinutesSpin; }
    QCheckBox *keepAliveCheck() const { return m_keepAliveCheck; }
    QComboBox *keepAliveHostCombo() const { return m_keepAliveHostCombo; }
    QSpinBox *keepAliveIntervalSpin() const { return m_keepAliveIntervalSpin; }
    QCheckBox *promptHangUpCheck() const { return m_promptHangUpCheck; }
    QRadioButton *reconnectionRadio(int radio) const { return m_reconnectionRadios[radio]; }
    QPushButton *colourPanel(GraphColour colour) const { return m_colourPanels[colour]; }
    // The colour a panel shows, 0x00BBGGRR.
    int panelColour(GraphColour colour) const { return m_colours[colour]; }
    // The full paths of the two sounds as they stand in the dialog.
    QString pendingConnectionSound() const { return m_connectionSound; }
    QString pendingDisconnectionSound() const { return m_disconnectionSound; }
    QPushButton *okButton() const { return m_okButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }
    QPushButton *helpButton() const { return m_helpButton; }

    // The settings as the controls hold them, on top of those in force.
    Settings chosenSettings() const;

private:
    void buildTree(Mode mode);
    QWidget *buildGeneralPage();
    QWidget *buildListPage(QListWidget *&list, const char *name, const QStringList &captions);
    QWidget *buildModemPage();
    QWidget *buildClockPage();
    QWidget *buildMonitorPage();
    QWidget *buildSoundsPage();
    QWidget *buildAdvancedPage();
    QWidget *buildDialUpPage();
    QWidget *buildColourPage();
    QWidget *buildSecurityPage();
    QListWidget *makeCheckList(const char *name, const QStringList &captions);

    void loadControls();
    void applyFloatingWindowState();
    void applyCurrencyState();
    void onTreeSelectionChanged();
    void browseSound(QString &path, QLineEdit *edit);
    void pickColour(GraphColour colour);
    void showPanelColour(GraphColour colour);
    void onOkClicked();

    AppContext &m_ctx;
    QTreeWidget *m_tree = nullptr;
    QStackedWidget *m_pages = nullptr;

    QListWidget *m_generalList = nullptr;
    QListWidget *m_sessionColumnsList = nullptr;
    QListWidget *m_performanceColumnsList = nullptr;
    QListWidget *m_onlineList = nullptr;
    QListWidget *m_monitorList = nullptr;
    QListWidget *m_graphList = nullptr;
    QListWidget *m_securityList = nullptr;
    QCheckBox *m_overrideCurrencyCheck = nullptr;
    QLineEdit *m_currencyEdit = nullptr;
    std::array<QRadioButton *, 3> m_modemRadios{};
    QLineEdit *m_correctionSecondsEdit = nullptr;
    QComboBox *m_timeServerCombo = nullptr;
    QRadioButton *m_clockOnConnectRadio = nullptr;
    QRadioButton *m_clockNeverRadio = nullptr;
    QCheckBox *m_floatingWindowCheck = nullptr;
    QSpinBox *m_monitorFontSizeSpin = nullptr;
    QCheckBox *m_monitorFontBoldCheck = nullptr;
    QCheckBox *m_connectSoundCheck = nullptr;
    QCheckBox *m_disconnectSoundCheck = nullptr;
    QCheckBox *m_desktopNotificationsCheck = nullptr;
    QLineEdit *m_connectSoundEdit = nullptr;
    QLineEdit *m_disconnectSoundEdit = nullptr;
    QPushButton *m_connectSoundBrowse = nullptr;
    QPushButton *m_disconnectSoundBrowse = nullptr;
    QCheckBox *m_hangUpCheck = nullptr;
    QLineEdit *m_hangUpBytesEdit = nullptr;
    QSpinBox *m_hangUpMinutesSpin = nullptr;
    QCheckBox *m_keepAliveCheck = nullptr;
    QComboBox *m_keepAliveHostCombo = nullptr;
    QSpinBox *m_keepAliveIntervalSpin = nullptr;
    QCheckBox *m_promptHangUpCheck = nullptr;
    std::array<QRadioButton *, 3> m_reconnectionRadios{};
    std::array<QPushButton *, 3> m_colourPanels{};
    std::array<int, 3> m_colours{};
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QPushButton *m_helpButton = nullptr;

    QString m_connectionSound;
    QString m_disconnectionSound;
};
