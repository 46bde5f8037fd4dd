#pragma once

#include "core/DateTime.h"

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
struct AppContext;

// The session editor: corrects the start and end, hence the time online,
// the cost (typed or priced from the tariff) and the connection of one
// recorded session of the current user.
class TEditSessionForm : public QDialog
{
    Q_OBJECT

public:
    // session: its number under day, as the account window's row holds it;
    // connection: the row's connection column.
    TEditSessionForm(AppContext &ctx, DateTime day, int session, const QString &connection,
                     QWidget *parent = nullptr);

    DateTime day() const { return m_day; }
    int session() const { return m_session; }

    QGroupBox *sessionGroup() const { return m_sessionGroup; }
    QLabel *hintLabel() const { return m_hintLabel; }
    QLineEdit *startTimeEdit() const { return m_startTimeEdit; }
    QLineEdit *endTimeEdit() const { return m_endTimeEdit; }
    QLineEdit *timeOnlineEdit() const { return m_timeOnlineEdit; }
    QLineEdit *costEdit() const { return m_costEdit; }
    QComboBox *connectionCombo() const { return m_connectionCombo; }
    QPushButton *calculateButton() const { return m_calculateButton; }
    QPushButton *okButton() const { return m_okButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *timeEdit();
    void fillConnections(const QString &connection);
    void loadSession();
    void onTimesChanged();
    void onCostChanged(const QString &text);
    void onCostLeft();
    void onCalculateClicked();
    void onOkClicked();

    AppContext &m_ctx;
    DateTime m_day;
    int m_session;

    QGroupBox *m_sessionGroup = nullptr;
    QLabel *m_hintLabel = nullptr;
    QLineEdit *m_startTimeEdit = nullptr;
    QLineEdit *m_endTimeEdit = nullptr;
    QLineEdit *m_timeOnlineEdit = nullptr;
    QLineEdit *m_costEdit = nullptr;
    QComboBox *m_connectionCombo = nullptr;
    QPushButton *m_calculateButton = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};
