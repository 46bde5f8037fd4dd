#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
struct AlarmEditorInput;
struct AppContext;

// The alarm editor: one stored alarm of the current user, its type and
// limit, sound, hang-up, ISP and the days and times it watches.
class TAlarmForm : public QDialog
{
    Q_OBJECT

public:
    explicit TAlarmForm(AppContext &ctx, QWidget *parent = nullptr);

    // Fills the editor for alarm `alarm` ("Edit alarm"), or for a new alarm
    // when it is 0 ("Add new alarm").
    void prepare(int alarm);

    // Re-labels the limit area for the type chosen.
    void UpdateAlarmSettings();

    QTabWidget *pages() const { return m_pages; }
    QComboBox *typeCombo() const { return m_typeCombo; }
    QLabel *limitLabel() const { return m_limitLabel; }
    QLineEdit *limitHoursEdit() const { return m_limitHoursEdit; }
    QLineEdit *limitMinutesEdit() const { return m_limitMinutesEdit; }
    QLineEdit *allowanceEdit() const { return m_allowanceEdit; }
    QLineEdit *customMessageEdit() const { return m_customMessageEdit; }
    QCheckBox *repeatCheck() const { return m_repeatCheck; }
    QCheckBox *hangUpCheck() const { return m_hangUpCheck; }
    QCheckBox *playWaveCheck() const { return m_playWaveCheck; }
    QLabel *waveFileLabel() const { return m_waveFileLabel; }
    QPushButton *browseButton() const { return m_browseButton; }
    QPushButton *playButton() const { return m_playButton; }
    QCheckBox *useIspCheck() const { return m_useIspCheck; }
    QComboBox *ispCombo() const { return m_ispCombo; }
    QCheckBox *alwaysActiveCheck() const { return m_alwaysActiveCheck; }
    QLineEdit *startHoursEdit() const { return m_startHoursEdit; }
    QLineEdit *startMinutesEdit() const { return m_startMinutesEdit; }
    QLineEdit *endHoursEdit() const { return m_endHoursEdit; }
    QLineEdit *endMinutesEdit() const { return m_endMinutesEdit; }
    QListWidget *daysList() const { return m_daysList; }
    QPushButton *okButton() const { return m_okButton; }

private:
    QWidget *buildGeneralPage();
    QWidget *buildTimeZonePage();
    QLineEdit *timeField(int maximum);
    void fillIspList();
    void setDays(int days);
    void applyAlwaysActive();
    void applyPlayWave();
    void onTypeChosen(int type);
    void onAllowanceEdited(const QString &text);
    void onBrowseClicked();
    void onPlayClicked();
    void onOkClicked();
    AlarmEditorInput input() const;

    AppContext &m_ctx;
    int m_alarm = 0;
    int m_shownType = 0;

    QTabWidget *m_pages = nullptr;
    QComboBox *m_typeCombo = nullptr;
    QLabel *m_limitLabel = nullptr;
    QLineEdit *m_limitHoursEdit = nullptr;
    QLabel *m_limitColon = nullptr;
    QLineEdit *m_limitMinutesEdit = nullptr;
    QLabel *m_limitUnits = nullptr;
    QLineEdit *m_allowanceEdit = nullptr;
    QLabel *m_messageLabel = nullptr;
    QLineEdit *m_customMessageEdit = nullptr;
    QCheckBox *m_repeatCheck = nullptr;
    QCheckBox *m_hangUpCheck = nullptr;
    QCheckBox *m_playWaveCheck = nullptr;
    QLabel *m_waveFileLabel = nullptr;
    QPushButton *m_browseButton = nullptr;
    QPushButton *m_playButton = nullptr;
    QCheckBox *m_useIspCheck = nullptr;
    QComboBox *m_ispCombo = nullptr;
    QCheckBox *m_alwaysActiveCheck = nullptr;
    QLabel *m_startLabel = nullptr;
    QLabel *m_endLabel = nullptr;
    QLineEdit *m_startHoursEdit = nullptr;
    QLineEdit *m_startMinutesEdit = nullptr;
    QLineEdit *m_endHoursEdit = nullptr;
    QLineEdit *m_endMinutesEdit = nullptr;
    QListWidget *m_daysList = nullptr;
    QPushButton *m_okButton = nullptr;
};
