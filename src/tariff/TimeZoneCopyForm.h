#pragma once

#include <QDialog>
#include <QList>

class QListWidget;
class QPushButton;
struct AppContext;

// "Copy time-zones": the viewed day type's bands written over the day types
// ticked in the list. The viewed day itself is greyed and cannot be ticked.
class TTimeZoneCopyForm : public QDialog
{
    Q_OBJECT

public:
    TTimeZoneCopyForm(AppContext &ctx, int sourceDay, QWidget *parent = nullptr);

    QListWidget *dayList() const { return m_dayList; }
    QPushButton *copyButton() const { return m_copyButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }
    // Day types 1..8 ticked now.
    QList<int> tickedDays() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void resetTicks();
    void onCopyClicked();

    AppContext &m_ctx;
    int m_sourceDay;
    QListWidget *m_dayList = nullptr;
    QPushButton *m_copyButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};
