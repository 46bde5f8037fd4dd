#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
struct AppContext;

// The program dialog: a program to start when a session opens, whether it
// is closed with the session, and on which days and times it runs.
class TAddEditAppForm : public QDialog
{
    Q_OBJECT

public:
    explicit TAddEditAppForm(AppContext &ctx, QWidget *parent = nullptr);

    // Fills the dialog for program `program` ("Edit Application"), or for a
    // new program when it is 0 ("Add Application").
    void prepare(int program);

    QTabWidget *pages() const { return m_pages; }
    QLineEdit *fileEdit() const { return m_fileEdit; }
    QPushButton *browseButton() const { return m_browseButton; }
    QCheckBox *autoCloseCheck() const { return m_autoCloseCheck; }
    QCheckBox *alwaysRunsCheck() const { return m_alwaysRunsCheck; }
    QLineEdit *startHoursEdit() const { return m_startHoursEdit; }
    QLineEdit *startMinutesEdit() const { return m_startMinutesEdit; }
    QLineEdit *endHoursEdit() const { return m_endHoursEdit; }
    QLineEdit *endMinutesEdit() const { return m_endMinutesEdit; }
    QListWidget *daysList() const { return m_daysList; }
    QPushButton *okButton() const { return m_okButton; }

private:
    QWidget *buildApplicationPage();
    QWidget *buildTimeZonePage();
    void applyAlwaysRuns();
    void onBrowseClicked();
    void onOkClicked();

    AppContext &m_ctx;
    int m_program = 0;

    QTabWidget *m_pages = nullptr;
    QLineEdit *m_fileEdit = nullptr;
    QPushButton *m_browseButton = nullptr;
    QCheckBox *m_autoCloseCheck = nullptr;
    QCheckBox *m_alwaysRunsCheck = nullptr;
    QLabel *m_startLabel = nullptr;
    QLabel *m_endLabel = nullptr;
    QLineEdit *m_startHoursEdit = nullptr;
    QLineEdit *m_startMinutesEdit = nullptr;
    QLineEdit *m_endHoursEdit = nullptr;
    QLineEdit *m_endMinutesEdit = nullptr;
    QListWidget *m_daysList = nullptr;
    QPushButton *m_okButton = nullptr;
};
