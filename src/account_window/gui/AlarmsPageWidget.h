#pragma once

#include <QWidget>

class AlarmListModel;
class QAction;
class QMenu;
class QPushButton;
class QTableView;
struct AppContext;

// The account window's "Alarms" page: the current user's alarms, added,
// edited and removed through the alarm editor (which the owner opens).
class AlarmsPageWidget : public QWidget
{
    Q_OBJECT

public:
    explicit AlarmsPageWidget(AppContext &ctx, QWidget *parent = nullptr);

    // Rebuilds the list; the last row is selected.
    void UpdateAlarmsList();
    void clear();
    // "Disable alarm editing" hides the buttons (not for an administrator).
    void applyRestrictions();

    AlarmListModel *model() const { return m_model; }
    QTableView *list() const { return m_list; }
    QPushButton *addButton() const { return m_addButton; }
    QPushButton *editButton() const { return m_editButton; }
    QPushButton *removeButton() const { return m_removeButton; }
    QMenu *listMenu() const { return m_listMenu; }

Q_SIGNALS:
    // The alarm editor, on alarm `alarm` (0: a new alarm).
    void editorRequested(int alarm);

private:
    void onAddClicked();
    void onEditClicked();
    void onRemoveClicked();
    // The pop-up's items and the double-click check the restriction themselves.
    bool editingAllowed() const;

    AppContext &m_ctx;
    AlarmListModel *m_model = nullptr;
    QTableView *m_list = nullptr;
    QPushButton *m_addButton = nullptr;
    QPushButton *m_editButton = nullptr;
    QPushButton *m_removeButton = nullptr;
    QMenu *m_listMenu = nullptr;
};
