#include "account_window/gui/UsersPageWidget.h"

#include "account_window/gui/PageWidgets.h"
#include "core/AppContext.h"
#include "users/UserList.h"
#include "users/Users.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

UsersPageWidget::UsersPageWidget(AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    m_model = new UserListModel(ctx, this);
    m_list = MakePageList(m_model, "UsersListView");
    SetPageColumnWidths(m_list, &UserListModel::designWidth, UserListModel::ColumnCount);
    m_addButton = MakePageButton(QStringLiteral("&Add"), "AddUserButton");
    m_editButton = MakePageButton(QStringLiteral("&Edit"), "EditUserButton");
    m_removeButton = MakePageButton(QStringLiteral("&Remove"), "RemoveUserButton");
    connect(m_addButton, &QPushButton::clicked, this, &UsersPageWidget::onAddClicked);
    connect(m_editButton, &QPushButton::clicked, this, &UsersPageWidget::onEditClicked);
    connect(m_removeButton, &QPushButton::clicked, this, &UsersPageWidget::onRemoveClicked);
    connect(m_list, &QTableView::doubleClicked, this, &UsersPageWidget::onEditClicked);
    connect(&ctx.events, &EngineEvents::userListChanged, this, &UsersPageWidget::UpdateUsersList);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton *b : {m_addButton, m_editButton, m_removeButton})
        buttons->addWidget(b);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Current users in database :")));
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
}

void UsersPageWidget::UpdateUsersList()
{
    PROCEDURE_GUARD(m_ctx, "Global Unit", "UpdateUsersList");
    if (m_userAccountList) {
        m_userAccountList->clear();
        m_userAccountList->addItems(UserLoginNames(m_ctx));
        // The account shown is the one in use, which an administrator may
        // have switched to.
        m_userAccountList->setCurrentIndex(m_ctx.login.CurrentUser - 1);
    }
    m_model->rebuild();
    SelectPageRow(m_list, 0);
}

void UsersPageWidget::clear()
{
    m_model->clear();
}

void UsersPageWidget::onAddClicked()
{
    PROCEDURE_GUARD(m_ctx, "Properties", "AddUserButtonClick");
    if (!RefuseUserEditingWhileOnline(m_ctx))
        Q_EMIT editorRequested(0);
}

void UsersPageWidget::onEditClicked()
{
    PROCEDURE_GUARD(m_ctx, "Properties", "EditUserButtonClick");
    const int row = SelectedPageRow(m_list);
    if (row < 0 || RefuseUserEditingWhileOnline(m_ctx))
        return;
    Q_EMIT editorRequested(row + 1);
}

void UsersPageWidget::onRemoveClicked()
{
    const int row = SelectedPageRow(m_list);
    if (row >= 0)
        RemoveUser(m_ctx, row + 1);
}
