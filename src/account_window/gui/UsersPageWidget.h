#pragma once

#include <QWidget>

class QComboBox;
class QPushButton;
class QTableView;
class UserListModel;
struct AppContext;

// The account window's "Users" page: the user records, added, edited and
// removed through the user editor (which the owner opens).
class UsersPageWidget : public QWidget
{
    Q_OBJECT

public:
    explicit UsersPageWidget(AppContext &ctx, QWidget *parent = nullptr);

    // The window's "User account to access :" list, which UpdateUsersList
    // refills too.
    void setUserAccountList(QComboBox *list) { m_userAccountList = list; }

    // Refills the list and the "User account to access :" list; the first
    // row is selected.
    void UpdateUsersList();
    void clear();

    UserListModel *model() const { return m_model; }
    QTableView *list() const { return m_list; }
    QPushButton *addButton() const { return m_addButton; }
    QPushButton *editButton() const { return m_editButton; }
    QPushButton *removeButton() const { return m_removeButton; }

Q_SIGNALS:
    // The user editor, on user `user` (0: a new user).
    void editorRequested(int user);

private:
    void onAddClicked();
    void onEditClicked();
    void onRemoveClicked();

    AppContext &m_ctx;
    QComboBox *m_userAccountList = nullptr;
    UserListModel *m_model = nullptr;
    QTableView *m_list = nullptr;
    QPushButton *m_addButton = nullptr;
    QPushButton *m_editButton = nullptr;
    QPushButton *m_removeButton = nullptr;
};
